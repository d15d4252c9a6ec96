#include "platform/gfx/VirtualDisplay.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <optional>

#include "platform/gfx/Surface.h"

namespace gfx {

PixelFormatDesc DisplayFormat(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 16:
            return Format565();
        case 24:
            return Format888();
        case 32:
            return FormatX888();
        default:
            return PixelFormatDesc{
                DDPF_PALETTEINDEXED8, 0,
                platform::PixelFormat{static_cast<std::uint32_t>(bitsPerPixel), 0, 0, 0, 0}};
    }
}

namespace display {
namespace {

std::vector<ModeDesc> DefaultModes() {
    std::vector<ModeDesc> modes;
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 768}}) {
        for (int bits : {8, 16, 24, 32}) modes.push_back(ModeDesc{w, h, DisplayFormat(bits)});
    }
    return modes;
}

struct State {
    std::mutex mutex;
    ModeSource desktop;
    std::optional<DisplayMode> switched;
    std::uint32_t driverCaps = 0;
    std::uint64_t budget = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t used = 0;
    std::vector<ModeDesc> modes = DefaultModes();
    bool newInterfaceRefused = false;
    int failures = 0;
    HRESULT failure = DD_OK;
    bool restoreRefused = false;
    std::vector<Surface*> surfaces;
};

State& TheState() {
    static State state;
    return state;
}

std::atomic<int> liveObjects{0};

// Runs f on the state under its lock.
template <class F>
auto Locked(F f) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return f(s);
}

}  // namespace

void SetDesktopModeSource(ModeSource source) {
    Locked([&](State& s) { s.desktop = std::move(source); });
}

DisplayMode CurrentMode() {
    State& s = TheState();
    ModeSource desktop;
    {
        std::lock_guard lock(s.mutex);
        if (s.switched) return *s.switched;
        desktop = s.desktop;
    }
    // Asked outside the lock: the source may take locks of its own.
    return desktop ? desktop() : DisplayMode{1024, 768, 32};
}

void SetSwitchedMode(const DisplayMode& mode) {
    Locked([&](State& s) { s.switched = mode; });
}

void ClearSwitchedMode() {
    Locked([&](State& s) { s.switched.reset(); });
}

void SetDriverCaps(std::uint32_t caps) {
    Locked([&](State& s) { s.driverCaps = caps; });
}

std::uint32_t DriverCapabilities() {
    return Locked([&](State& s) { return s.driverCaps; });
}

void SetVideoMemoryBudget(std::uint64_t bytes) {
    Locked([&](State& s) { s.budget = bytes; });
}

std::uint64_t VideoMemoryBudget() {
    return Locked([&](State& s) { return s.budget; });
}

std::uint64_t VideoMemoryUsed() {
    return Locked([&](State& s) { return s.used; });
}

bool TakeVideoMemory(std::uint64_t bytes) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.used > s.budget || bytes > s.budget - s.used) return false;
    s.used += bytes;
    return true;
}

void GiveBackVideoMemory(std::uint64_t bytes) {
    Locked([&](State& s) { s.used -= std::min(bytes, s.used); });
}

void SetModes(std::vector<ModeDesc> modes) {
    Locked([&](State& s) { s.modes = std::move(modes); });
}

std::vector<ModeDesc> Modes() {
    return Locked([&](State& s) { return s.modes; });
}

void SetNewInterfaceRefused(bool refused) {
    Locked([&](State& s) { s.newInterfaceRefused = refused; });
}

bool NewInterfaceRefused() {
    return Locked([&](State& s) { return s.newInterfaceRefused; });
}

void FailSurfaceCreations(int count, HRESULT result) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.failures = std::max(count, 0);
    s.failure = result;
}

bool TakeCreationFailure(HRESULT& result) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.failures == 0) return false;
    --s.failures;
    result = s.failure;
    return true;
}

void LoseAllSurfaces() {
    Locked([&](State& s) {
        for (Surface* surface : s.surfaces) surface->MarkLost();
    });
}

void SetRestoreRefused(bool refused) {
    Locked([&](State& s) { s.restoreRefused = refused; });
}

bool RestoreRefused() {
    return Locked([&](State& s) { return s.restoreRefused; });
}

int LiveObjects() {
    return liveObjects.load();
}

void CountObject(int delta) {
    liveObjects += delta;
}

void RegisterSurface(Surface* surface) {
    Locked([&](State& s) { s.surfaces.push_back(surface); });
}

void UnregisterSurface(Surface* surface) {
    Locked([&](State& s) {
        s.surfaces.erase(std::remove(s.surfaces.begin(), s.surfaces.end(), surface),
                         s.surfaces.end());
    });
}

void Reset() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.desktop = nullptr;
    s.switched.reset();
    s.driverCaps = 0;
    s.budget = std::numeric_limits<std::uint64_t>::max();
    s.modes = DefaultModes();
    s.newInterfaceRefused = false;
    s.failures = 0;
    s.failure = DD_OK;
    s.restoreRefused = false;
}

}  // namespace display
}  // namespace gfx
