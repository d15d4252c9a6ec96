#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/shellns/ShellNamespace.h"

// The studio's name for a place in the shell namespace: a folder, a file, a drive, the
// Desktop. It owns one item-id list and never shares it. A path that names a place is
// absolute (from the Desktop); the items of a selection are single-item lists relative to
// their folder. The list with no item is the Desktop, a valid path distinct from the
// invalid empty object.
class PidlPath {
public:
    PidlPath() = default;
    // Parses a file-system path; a null text or a place that does not exist gives an
    // invalid path.
    explicit PidlPath(const char* path);
    explicit PidlPath(const std::string& path) : PidlPath(path.c_str()) {}
    // A copy of a raw list (null: invalid).
    explicit PidlPath(const std::uint8_t* list);
    PidlPath(const PidlPath& other);
    PidlPath(PidlPath&& other) noexcept;
    PidlPath& operator=(const PidlPath& other);
    PidlPath& operator=(PidlPath&& other) noexcept;
    PidlPath& operator=(const std::uint8_t* list);
    virtual ~PidlPath() = default;

    void SetDesktop();
    void Free();

    bool IsValid() const { return valid_; }
    // The list, still owned by this object; null when invalid.
    const std::uint8_t* GetPidl() const { return valid_ ? list_.data() : nullptr; }
    // Bytes of the list with its terminator; 0 when invalid.
    std::size_t GetSize() const { return valid_ ? list_.size() : 0; }
    std::size_t GetItemCount() const;

    // Equal when both are valid and their lists are equal byte for byte.
    bool operator==(const PidlPath& other) const;
    bool operator!=(const PidlPath& other) const { return !(*this == other); }
    // The shell's order of two paths, strict and in agreement with ==; an invalid path
    // comes before every valid one. Maps keyed by PidlPath use it.
    bool operator<(const PidlPath& other) const;

    // Adds the first item of item; on the Desktop, becomes a copy of item. Nothing changes
    // when either is invalid.
    void Append(const PidlPath& item);
    // A single-item list holding the last item (no item for the Desktop); invalid when this
    // path is.
    void GetLastItem(PidlPath& out) const;
    // This list without its last item; invalid for the Desktop and for an invalid path.
    void GetParent(PidlPath& out) const;

    // The folder the path names (the Desktop folder for the Desktop); null when the path is
    // invalid or names no folder.
    std::unique_ptr<platform::shellns::Folder> GetShellFolder() const;
    // The named item's attributes limited to mask, asked of its parent folder; 0 when the
    // parent cannot be bound or the item is not there.
    std::uint32_t GetAttributes(std::uint32_t mask) const;
    // The file-system path; empty for places outside the file system. An invalid path
    // writes "Invalid pidl\n" to the debug output.
    void GetPath(std::string& out) const;
    std::string GetPath() const;

private:
    // Offset of the last item, or the terminator's offset for a list without items.
    std::size_t LastItemOffset() const;

    platform::shellns::IdList list_;
    bool valid_ = false;
};
