#include "studio/shell/FileListData.h"

std::vector<std::uint8_t> BuildFileListBlock(const PidlPath& folder,
                                             const std::vector<PidlPath>& items) {
    std::vector<std::uint8_t> block;
    if (!folder.IsValid()) return block;
    block.assign(folder.GetPidl(), folder.GetPidl() + folder.GetSize());
    for (const PidlPath& item : items) {
        if (item.IsValid())
            block.insert(block.end(), item.GetPidl(), item.GetPidl() + item.GetSize());
    }
    block.push_back(0);
    block.push_back(0);
    return block;
}

bool ReadFileListBlock(const std::uint8_t* data, std::size_t size, PidlPath& folder,
                       std::vector<PidlPath>& items) {
    if (data == nullptr) return false;
    const auto folderSize = platform::shellns::MeasureList(data, size);
    if (!folderSize) return false;
    std::size_t offset = *folderSize;
    std::vector<PidlPath> read;
    for (;;) {
        const auto itemSize = platform::shellns::MeasureList(data + offset, size - offset);
        if (!itemSize) return false;
        if (*itemSize == 2) {
            if (offset + 2 != size) return false;
            break;
        }
        if (platform::shellns::ItemCount(data + offset) != 1) return false;
        read.emplace_back(data + offset);
        offset += *itemSize;
    }
    folder = PidlPath(data);
    items.insert(items.end(), read.begin(), read.end());
    return true;
}
