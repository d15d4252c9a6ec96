#pragma once

#include <memory>

#include <QTreeWidgetItem>

#include "platform/shellns/ShellNamespace.h"
#include "studio/core/PidlPath.h"

// A node of the folder tree: where it lies and the folder it was listed from.
struct TreeItem {
    // Shared by the siblings listed from it; null for the Desktop.
    std::shared_ptr<const platform::shellns::Folder> parentFolder;
    PidlPath path;  // absolute
    PidlPath item;  // relative to the parent folder
};

class TreeNode final : public QTreeWidgetItem {
public:
    explicit TreeNode(TreeItem data) : data_(std::move(data)) {}

    const TreeItem& treeItem() const { return data_; }

    // Siblings sort as their parent folder orders them.
    bool operator<(const QTreeWidgetItem& other) const override {
        const auto& theirs = static_cast<const TreeNode&>(other).data_;
        if (!data_.parentFolder || !data_.item.IsValid() || !theirs.item.IsValid()) {
            return QTreeWidgetItem::operator<(other);
        }
        // Only the low 16 bits count, as a signed number.
        const int order =
            data_.parentFolder->CompareIDs(data_.item.GetPidl(), theirs.item.GetPidl());
        return static_cast<std::int16_t>(order & 0xFFFF) < 0;
    }

private:
    TreeItem data_;
};
