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
            return PixelFormatDesc{DDPF_PALETTEINDEXED8, 0,
                                   platform::PixelFormat{static_cast<std::uint32_t>(bitsPerPixel),
                                                         0, 0, 0, 0}};
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

}  // namespace

void SetDesktopModeSource(ModeSource source) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.desktop = std::move(source);
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
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.switched = mode;
}

void ClearSwitchedMode() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.switched.reset();
}

void SetDriverCaps(std::uint32_t caps) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.driverCaps = caps;
}

std::uint32_t DriverCapabilities() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.driverCaps;
}

void SetVideoMemoryBudget(std::uint64_t bytes) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.budget = bytes;
}

std::uint64_t VideoMemoryBudget() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.budget;
}

std::uint64_t VideoMemoryUsed() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.used;
}

bool TakeVideoMemory(std::uint64_t bytes) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.used > s.budget || bytes > s.budget - s.used) return false;
    s.used += bytes;
    return true;
}

void GiveBackVideoMemory(std::uint64_t bytes) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.used -= std::min(bytes, s.used);
}

void SetModes(std::vector<ModeDesc> modes) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.modes = std::move(modes);
}

std::vector<ModeDesc> Modes() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.modes;
}

void SetNewInterfaceRefused(bool refused) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.newInterfaceRefused = refused;
}

bool NewInterfaceRefused() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.newInterfaceRefused;
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
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    for (Surface* surface : s.surfaces) surface->MarkLost();
}

void SetRestoreRefused(bool refused) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.restoreRefused = refused;
}

bool RestoreRefused() {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return s.restoreRefused;
}

int LiveObjects() {
    return liveObjects.load();
}

void CountObject(int delta) {
    liveObjects += delta;
}

void RegisterSurface(Surface* surface) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.surfaces.push_back(surface);
}

void UnregisterSurface(Surface* surface) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.surfaces.erase(std::remove(s.surfaces.begin(), s.surfaces.end(), surface),
                     s.surfaces.end());
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
