#include "platform/files/PathText.h"

#include <unistd.h>

#include <vector>

namespace platform {

namespace {

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

}  // namespace

std::string ParentOf(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(WithoutTrailingSlashes(path.substr(0, slash)));
}

std::string NameOf(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    if (path == "/") return "";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string WithTrailingSlash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string AbsolutePath(std::string_view path) {
    std::string full;
    if (path.empty() || path.front() != '/') {
        std::vector<char> buffer(4096);
        while (::getcwd(buffer.data(), buffer.size()) == nullptr && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
        }
        full = buffer.data();
        full += '/';
    }
    full.append(path);

    std::vector<std::string_view> parts;
    std::string_view rest(full);
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const auto part : parts) {
        result += '/';
        result.append(part);
    }
    return result.empty() ? "/" : result;
}

std::string PercentEncodePath(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                          c == '~';
        if (safe) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

}  // namespace platform
