#include "platform/files/Hidden.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/files/PathText.h"
#include "platform/text/Ascii.h"

namespace platform {

namespace {

constexpr const char* kHiddenAttribute = "user.hidden";
std::atomic<bool> gRefuseAttributes{false};

bool Refused(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

bool HiddenByName(const std::string& name) {
    return name.size() > 1 && name[0] == '.' && name != "..";
}

bool IsCompanionName(const std::string& name) {
    return EndsWithNoCase(name, ".vte") || EndsWithNoCase(name, ".vtd");
}

// 1 marked, 0 not marked, -1 the file system takes no user attributes, -2 no such file.
int ReadMark(const std::string& path) {
    if (gRefuseAttributes) return ::access(path.c_str(), F_OK) == 0 ? -1 : -2;
    char value[16] = {};
    const ssize_t n = ::getxattr(path.c_str(), kHiddenAttribute, value, sizeof value);
    if (n >= 0) {
        // An empty value, "0" and "false" are marks taken off.
        const std::string_view v(value, static_cast<std::size_t>(n));
        return v.empty() || v == "0" || v == "false" ? 0 : 1;
    }
    if (errno == ERANGE) return 1;  // a long value
    if (errno == ENODATA) return 0;
    if (Refused(errno)) return -1;
    return -2;
}

}  // namespace

bool IsHidden(const std::string& path) {
    const std::string name = NameOf(path);
    if (HiddenByName(name)) return true;
    const int mark = ReadMark(path);
    if (mark == -1) return IsCompanionName(name);
    return mark == 1;
}

bool SetHidden(const std::string& path, bool hidden) {
    const std::string name = NameOf(path);
    int result = -1;
    errno = ENOTSUP;
    if (!gRefuseAttributes) {
        result = hidden ? ::setxattr(path.c_str(), kHiddenAttribute, "1", 1, 0)
                        : ::removexattr(path.c_str(), kHiddenAttribute);
        if (result != 0 && !hidden && errno == ENODATA) result = 0;
    }
    if (result == 0) return HiddenByName(name) ? hidden : true;
    if (!Refused(errno) || ::access(path.c_str(), F_OK) != 0) return false;
    return IsHidden(path) == hidden;
}

bool TakesUserAttributes(const std::string& path) {
    return ReadMark(path) >= 0;
}

void RefuseUserAttributesForTesting(bool refuse) {
    gRefuseAttributes = refuse;
}

}  // namespace platform
