#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Runs work(begin, end) over [0, count) in parts of at least `minimumPart` items, on as many
// threads as the machine has cores at most, the last part on the calling thread. Returns once
// every part is done. For many small independent looks at the file system, each of which
// mostly waits.
void RunInParts(std::size_t count, std::size_t minimumPart,
                const std::function<void(std::size_t begin, std::size_t end)>& work);

}  // namespace platform
