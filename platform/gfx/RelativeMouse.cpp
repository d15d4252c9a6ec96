#include "platform/gfx/RelativeMouse.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

namespace gfx {

struct RelativeMouse::State {
    std::deque<MouseRecord> buffer;
    std::uint32_t capacity = 0;
    bool acquired = false;
};

namespace {

struct SystemMouse {
    std::mutex mutex;
    std::vector<std::shared_ptr<RelativeMouse::State>> devices;
    std::uint32_t sequence = 0;
    int lossesPending = 0;
    bool refused = false;
};

SystemMouse& System() {
    static SystemMouse mouse;
    return mouse;
}

std::uint32_t Milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// With the system mouse locked.
void Deliver(SystemMouse& system, std::uint32_t offset, int data) {
    const MouseRecord record{offset, data, Milliseconds(), ++system.sequence};
    for (const auto& device : system.devices) {
        if (device->acquired && device->buffer.size() < device->capacity) {
            device->buffer.push_back(record);
        }
    }
}

}  // namespace

RelativeMouse::RelativeMouse(std::shared_ptr<State> state) : state_(std::move(state)) {}

RelativeMouse::~RelativeMouse() {
    SystemMouse& system = System();
    std::lock_guard lock(system.mutex);
    std::erase(system.devices, state_);
}

HRESULT RelativeMouse::SetBufferSize(std::uint32_t records) {
    std::lock_guard lock(System().mutex);
    state_->capacity = records;
    while (state_->buffer.size() > records) state_->buffer.pop_front();
    return DI_OK;
}

HRESULT RelativeMouse::SetCooperativeLevel(std::uint32_t flags) {
    return (flags & DISCL_NONEXCLUSIVE) != 0 && (flags & DISCL_EXCLUSIVE) == 0 ? DI_OK
                                                                               : DIERR_INVALIDPARAM;
}

HRESULT RelativeMouse::Acquire() {
    std::lock_guard lock(System().mutex);
    state_->acquired = true;
    return DI_OK;
}

HRESULT RelativeMouse::Unacquire() {
    std::lock_guard lock(System().mutex);
    state_->acquired = false;
    state_->buffer.clear();
    return DI_OK;
}

bool RelativeMouse::IsAcquired() const {
    std::lock_guard lock(System().mutex);
    return state_->acquired;
}

HRESULT RelativeMouse::GetDeviceData(MouseRecord* records, std::uint32_t* count) {
    if (count == nullptr) return DIERR_INVALIDPARAM;
    SystemMouse& system = System();
    std::lock_guard lock(system.mutex);
    const std::uint32_t wanted = *count;
    *count = 0;
    if (!state_->acquired) return DIERR_NOTACQUIRED;
    if (system.lossesPending > 0) {
        --system.lossesPending;
        state_->acquired = false;
        state_->buffer.clear();
        return DIERR_INPUTLOST;
    }
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(wanted, state_->buffer.size()));
    if (records != nullptr) std::copy_n(state_->buffer.begin(), n, records);
    state_->buffer.erase(state_->buffer.begin(), state_->buffer.begin() + n);
    *count = n;
    return DI_OK;
}

HRESULT RelativeMouseCreate(std::uint32_t, std::unique_ptr<RelativeMouse>* device) {
    if (device == nullptr) return DIERR_INVALIDPARAM;
    device->reset();
    SystemMouse& system = System();
    std::lock_guard lock(system.mutex);
    if (system.refused) return DIERR_NOTFOUND;
    auto state = std::make_shared<RelativeMouse::State>();
    system.devices.push_back(state);
    device->reset(new RelativeMouse(std::move(state)));
    return DI_OK;
}

namespace mouse {

void SetRefused(bool refused) {
    std::lock_guard lock(System().mutex);
    System().refused = refused;
}

bool Refused() {
    std::lock_guard lock(System().mutex);
    return System().refused;
}

void Move(int dx, int dy) {
    SystemMouse& system = System();
    std::lock_guard lock(system.mutex);
    if (dx != 0) Deliver(system, DIMOFS_X, dx);
    if (dy != 0) Deliver(system, DIMOFS_Y, dy);
}

void Inject(std::uint32_t offset, int data) {
    SystemMouse& system = System();
    std::lock_guard lock(system.mutex);
    Deliver(system, offset, data);
}

void LoseInput(int count) {
    std::lock_guard lock(System().mutex);
    System().lossesPending = std::max(count, 0);
}

int LiveDevices() {
    std::lock_guard lock(System().mutex);
    return static_cast<int>(System().devices.size());
}

void Reset() {
    std::lock_guard lock(System().mutex);
    System().refused = false;
    System().lossesPending = 0;
}

}  // namespace mouse
}  // namespace gfx
