#include "testing/RunTool.h"

#include <array>
#include <cstdio>

namespace testing_support {

std::string RunTool(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return out;
}

}  // namespace testing_support
