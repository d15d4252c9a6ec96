#include "studio/shell/app/DiskSpace.h"

#include <sys/statvfs.h>

#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"

namespace {

constexpr std::uint64_t kLowSpace = 0x3200000;  // 50 MiB

}  // namespace

std::optional<std::uint64_t> FreeBytesAt(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

void WarnWhenDiskLow(std::optional<std::uint64_t> freeBytes) {
    if (!freeBytes || *freeBytes >= kLowSpace) return;
    const std::string text =
        platform::FormatC("Your system is running low on free diskspace!\nOnly %d megabytes left",
                          static_cast<int>(*freeBytes >> 20));
    platform::ShowMessage(nullptr, text, "c: low on free space", platform::MessageButtons::Ok,
                          platform::MessageIcon::Warning);
}
