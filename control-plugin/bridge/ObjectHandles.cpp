#include "control-plugin/bridge/ObjectHandles.h"

#include <limits>
#include <map>
#include <vector>

namespace {

struct Entry {
    HandleOwner owner;
    platform::IUnknown* object;
};

struct HandleTable {
    std::map<std::int32_t, Entry> entries;
    std::map<HandleOwner, int> counts;
    std::int32_t next = 1;
    HandleOwner current = nullptr;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

// The next number not in use. Numbers run up to the largest and start again at 1, so a
// number comes back only after some two thousand million others: the owner check, not the
// number, keeps instances apart.
std::int32_t NextNumber(HandleTable& table) {
    for (;;) {
        const std::int32_t number = table.next;
        table.next = number == std::numeric_limits<std::int32_t>::max() ? 1 : number + 1;
        if (table.entries.find(number) == table.entries.end()) return number;
    }
}

void Forget(HandleTable& table, HandleOwner owner) {
    const auto count = table.counts.find(owner);
    if (count != table.counts.end() && --count->second <= 0) table.counts.erase(count);
}

}  // namespace

HandleOwnerScope::HandleOwnerScope(HandleOwner owner) : previous_(Table().current) {
    Table().current = owner;
}

HandleOwnerScope::~HandleOwnerScope() {
    Table().current = previous_;
}

HandleOwner CurrentHandleOwner() {
    return Table().current;
}

std::int32_t AddObjectHandle(HandleOwner owner, platform::IUnknown* object) {
    if (owner == nullptr || object == nullptr) return 0;
    HandleTable& table = Table();
    int& count = table.counts[owner];
    if (count >= kMaxObjectHandles) return 0;
    const std::int32_t handle = NextNumber(table);
    object->AddRef();
    table.entries.emplace(handle, Entry{owner, object});
    ++count;
    return handle;
}

platform::IUnknown* ObjectFromHandle(HandleOwner owner, std::int32_t handle) {
    if (owner == nullptr) return nullptr;
    const auto& entries = Table().entries;
    const auto found = entries.find(handle);
    if (found == entries.end() || found->second.owner != owner) return nullptr;
    return found->second.object;
}

void ReleaseObjectHandle(HandleOwner owner, std::int32_t handle) {
    HandleTable& table = Table();
    const auto found = table.entries.find(handle);
    if (owner == nullptr || found == table.entries.end() || found->second.owner != owner) return;
    platform::IUnknown* object = found->second.object;
    table.entries.erase(found);
    Forget(table, owner);
    object->Release();
}

void ReleaseObjectHandles(HandleOwner owner) {
    if (owner == nullptr) return;
    HandleTable& table = Table();
    // Taken out first: a Release may end an object that comes back to the table.
    std::vector<platform::IUnknown*> objects;
    for (auto it = table.entries.begin(); it != table.entries.end();) {
        if (it->second.owner == owner) {
            objects.push_back(it->second.object);
            it = table.entries.erase(it);
        } else {
            ++it;
        }
    }
    table.counts.erase(owner);
    for (platform::IUnknown* object : objects) object->Release();
}

void ReleaseAllObjectHandles() {
    HandleTable& table = Table();
    auto entries = std::move(table.entries);
    table.entries.clear();
    table.counts.clear();
    for (auto& [handle, entry] : entries) entry.object->Release();
}

int ObjectHandleCount() {
    return static_cast<int>(Table().entries.size());
}

int ObjectHandleCount(HandleOwner owner) {
    const auto& counts = Table().counts;
    const auto found = counts.find(owner);
    return found != counts.end() ? found->second : 0;
}
