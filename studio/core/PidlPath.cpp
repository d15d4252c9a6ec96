#include "studio/core/PidlPath.h"

#include <new>

#include "platform/debug/Debug.h"

namespace sh = platform::shellns;

namespace {

std::uint16_t CountAt(const sh::IdList& list, std::size_t offset) {
    return static_cast<std::uint16_t>(list[offset] | (list[offset + 1] << 8));
}

}  // namespace

PidlPath::PidlPath(const char* path) {
    if (path == nullptr) return;
    try {
        valid_ = sh::Folder::Desktop()->ParseDisplayName(path, list_);
    } catch (const std::bad_alloc&) {
        valid_ = false;
    }
    if (!valid_) list_.clear();
}

PidlPath::PidlPath(const std::uint8_t* list) {
    *this = list;
}

PidlPath::PidlPath(const PidlPath& other) {
    *this = other.GetPidl();
}

PidlPath::PidlPath(PidlPath&& other) noexcept
    : list_(std::move(other.list_)), valid_(other.valid_) {
    other.Free();
}

PidlPath& PidlPath::operator=(const PidlPath& other) {
    if (this == &other) return *this;
    return *this = other.GetPidl();
}

PidlPath& PidlPath::operator=(PidlPath&& other) noexcept {
    if (this != &other) {
        list_ = std::move(other.list_);
        valid_ = other.valid_;
        other.Free();
    }
    return *this;
}

PidlPath& PidlPath::operator=(const std::uint8_t* list) {
    if (list == nullptr) {
        Free();
        return *this;
    }
    // Copied aside first: the list may lie inside this path's own.
    try {
        sh::IdList copy(list, list + sh::ListSize(list));
        list_ = std::move(copy);
        valid_ = true;
    } catch (const std::bad_alloc&) {
        Free();
    }
    return *this;
}

void PidlPath::SetDesktop() {
    Free();
    list_ = {0, 0};
    valid_ = true;
}

void PidlPath::Free() {
    list_.clear();
    valid_ = false;
}

std::size_t PidlPath::GetItemCount() const {
    return valid_ ? sh::ItemCount(list_.data()) : 0;
}

bool PidlPath::operator==(const PidlPath& other) const {
    return valid_ && other.valid_ && list_ == other.list_;
}

bool PidlPath::operator<(const PidlPath& other) const {
    if (!valid_ || !other.valid_) return !valid_ && other.valid_;
    return sh::CompareLists(list_.data(), other.list_.data()) < 0;
}

std::size_t PidlPath::LastItemOffset() const {
    std::size_t offset = 0;
    std::size_t last = 0;
    for (std::uint16_t cb = CountAt(list_, 0); cb != 0; cb = CountAt(list_, offset)) {
        last = offset;
        offset += cb;
    }
    return offset == 0 ? 0 : last;
}

void PidlPath::Append(const PidlPath& item) {
    if (!valid_ || !item.valid_) return;
    if (list_.size() == 2) {
        *this = item;
        return;
    }
    const std::uint16_t first = CountAt(item.list_, 0);
    try {
        sh::IdList joined(list_.begin(), list_.end() - 2);
        joined.insert(joined.end(), item.list_.begin(), item.list_.begin() + first);
        joined.push_back(0);
        joined.push_back(0);
        list_ = std::move(joined);
    } catch (const std::bad_alloc&) {
        Free();
    }
}

void PidlPath::GetLastItem(PidlPath& out) const {
    if (!valid_) {
        out.Free();
        return;
    }
    // Built aside first: out may be this very path.
    try {
        sh::IdList last(list_.begin() + static_cast<std::ptrdiff_t>(LastItemOffset()), list_.end());
        out.list_ = std::move(last);
        out.valid_ = true;
    } catch (const std::bad_alloc&) {
        out.Free();
    }
}

void PidlPath::GetParent(PidlPath& out) const {
    if (!valid_ || list_.size() == 2) {
        out.Free();
        return;
    }
    try {
        sh::IdList parent(list_.begin(),
                          list_.begin() + static_cast<std::ptrdiff_t>(LastItemOffset()));
        parent.push_back(0);
        parent.push_back(0);
        out.list_ = std::move(parent);
        out.valid_ = true;
    } catch (const std::bad_alloc&) {
        out.Free();
    }
}

std::unique_ptr<sh::Folder> PidlPath::GetShellFolder() const {
    if (!valid_) return nullptr;
    return sh::Folder::Bind(list_.data());
}

std::uint32_t PidlPath::GetAttributes(std::uint32_t mask) const {
    PidlPath parent;
    GetParent(parent);
    const auto folder = parent.GetShellFolder();
    if (folder == nullptr) return 0;
    return folder->GetAttributesOf(list_.data() + LastItemOffset(), mask);
}

void PidlPath::GetPath(std::string& out) const {
    out.clear();
    if (!valid_) {
        platform::DebugOutput("Invalid pidl\n");
        return;
    }
    sh::GetPathFromIDList(list_.data(), out);
}

std::string PidlPath::GetPath() const {
    std::string out;
    GetPath(out);
    return out;
}
