#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "studio/core/PidlPath.h"

class FileSelection;
class QMimeData;

// The MIME type under which the "kivofilelist" block travels.
inline constexpr char kFileListMimeType[] = "application/x-kivofilelist";

// Drag data holding the folder and items as a "kivofilelist" block; null when the
// folder is invalid.
std::unique_ptr<QMimeData> CreateFileDataSource(const PidlPath& folder,
                                                const std::vector<PidlPath>& items);
std::unique_ptr<QMimeData> CreateFileDataSource(const FileSelection& selection);

// False when the data holds no "kivofilelist" block or a malformed one (the outputs are
// then left as they were); otherwise the folder is replaced and the items appended.
bool ReadFileListData(const QMimeData* data, PidlPath& folder, std::vector<PidlPath>& items);

// True when the folder `target` is one of the dragged items or lies below one: nothing may
// be dropped into itself.
bool IsDropIntoDragged(const PidlPath& folder, const std::vector<PidlPath>& items,
                       std::string_view target);
