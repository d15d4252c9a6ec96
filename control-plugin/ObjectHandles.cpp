#include "control-plugin/ObjectHandles.h"

#include <map>

namespace {

struct HandleTable {
    std::map<std::int32_t, platform::IUnknown*> objects;
    std::int32_t next = 1;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

}  // namespace

std::int32_t AddObjectHandle(platform::IUnknown* object) {
    if (object == nullptr) return 0;
    HandleTable& table = Table();
    // Numbers are not reused while the module lives, so a stale one stays unknown.
    if (table.next <= 0) return 0;
    const std::int32_t handle = table.next++;
    object->AddRef();
    table.objects.emplace(handle, object);
    return handle;
}

platform::IUnknown* ObjectFromHandle(std::int32_t handle) {
    const auto& objects = Table().objects;
    const auto found = objects.find(handle);
    return found != objects.end() ? found->second : nullptr;
}

void ReleaseObjectHandle(std::int32_t handle) {
    auto& objects = Table().objects;
    const auto found = objects.find(handle);
    if (found == objects.end()) return;
    platform::IUnknown* object = found->second;
    objects.erase(found);
    object->Release();
}

void ReleaseAllObjectHandles() {
    auto objects = std::move(Table().objects);
    Table().objects.clear();
    for (auto& [handle, object] : objects) object->Release();
}

int ObjectHandleCount() {
    return static_cast<int>(Table().objects.size());
}
