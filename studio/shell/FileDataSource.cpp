#include "studio/shell/FileDataSource.h"

#include <QByteArray>
#include <QMimeData>

#include "studio/core/FileSelection.h"
#include "studio/shell/FileListData.h"

std::unique_ptr<QMimeData> CreateFileDataSource(const PidlPath& folder,
                                                const std::vector<PidlPath>& items) {
    const std::vector<std::uint8_t> block = BuildFileListBlock(folder, items);
    if (block.empty()) return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setData(kFileListMimeType, QByteArray(reinterpret_cast<const char*>(block.data()),
                                                static_cast<qsizetype>(block.size())));
    return data;
}

std::unique_ptr<QMimeData> CreateFileDataSource(const FileSelection& selection) {
    return CreateFileDataSource(selection.GetFolder(), selection.GetItems());
}

bool ReadFileListData(const QMimeData* data, PidlPath& folder, std::vector<PidlPath>& items) {
    if (data == nullptr || !data->hasFormat(kFileListMimeType)) return false;
    const QByteArray block = data->data(kFileListMimeType);
    return ReadFileListBlock(reinterpret_cast<const std::uint8_t*>(block.constData()),
                             static_cast<std::size_t>(block.size()), folder, items);
}

bool IsDropIntoDragged(const PidlPath& folder, const std::vector<PidlPath>& items,
                       std::string_view target) {
    for (const PidlPath& one : items) {
        PidlPath dragged = folder;
        dragged.Append(one);
        const std::string path = dragged.GetPath();
        if (path.empty()) continue;
        if (target == path || path == "/" ||
            (target.size() > path.size() && target.substr(0, path.size()) == path &&
             target[path.size()] == '/')) {
            return true;
        }
    }
    return false;
}
