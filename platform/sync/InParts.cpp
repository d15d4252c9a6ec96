#include "platform/sync/InParts.h"

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

namespace platform {

void RunInParts(std::size_t count, std::size_t minimumPart,
                const std::function<void(std::size_t begin, std::size_t end)>& work) {
    if (count == 0) return;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t parts =
        std::clamp<std::size_t>(count / std::max<std::size_t>(minimumPart, 1), 1, cores);
    const std::size_t size = (count + parts - 1) / parts;
    std::vector<std::future<void>> others;
    std::size_t begin = 0;
    for (; begin + size < count; begin += size) {
        others.push_back(std::async(std::launch::async, work, begin, begin + size));
    }
    work(begin, count);
    for (std::future<void>& part : others) part.get();
}

}  // namespace platform
