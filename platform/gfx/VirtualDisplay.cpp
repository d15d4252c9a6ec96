#include "platform/gfx/VirtualDisplay.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <optional>

#include "platform/gfx/DisplaySettings.h"
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

std::vector<PixelFormatDesc> DefaultTextureFormats() {
    PixelFormatDesc luminance{DDPF_LUMINANCE, 0, platform::PixelFormat{8, 0xFF, 0, 0, 0}};
    // 'DXT1'
    PixelFormatDesc fourCC{DDPF_FOURCC, 0x31545844, platform::PixelFormat{}};
    return {Format565(),
            Format555(),
            Format888(),
            FormatX888(),
            RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),
            RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
            RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000),
            luminance,
            fourCC};
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
    std::optional<DeviceDesc> hardware3D;
    std::vector<PixelFormatDesc> textureFormats = DefaultTextureFormats();
    int ignoredClears = 0;
    bool direct3DRefused = false;
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

void SetHardware3D(std::optional<DeviceDesc> desc) {
    Locked([&](State& s) { s.hardware3D = desc; });
}

std::optional<DeviceDesc> Hardware3D() {
    return Locked([&](State& s) { return s.hardware3D; });
}

void SetTextureFormats(std::vector<PixelFormatDesc> formats) {
    Locked([&](State& s) { s.textureFormats = std::move(formats); });
}

std::vector<PixelFormatDesc> TextureFormats() {
    return Locked([&](State& s) { return s.textureFormats; });
}

void IgnoreClears(int count) {
    Locked([&](State& s) { s.ignoredClears = count; });
}

bool TakeIgnoredClear() {
    return Locked([&](State& s) {
        if (s.ignoredClears <= 0) return false;
        --s.ignoredClears;
        return true;
    });
}

void SetDirect3DRefused(bool refused) {
    Locked([&](State& s) { s.direct3DRefused = refused; });
}

bool Direct3DRefused() {
    return Locked([&](State& s) { return s.direct3DRefused; });
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
    s.hardware3D.reset();
    s.textureFormats = DefaultTextureFormats();
    s.ignoredClears = 0;
    s.direct3DRefused = false;
    ClearDisplaySettingsCalls();
}

}  // namespace display
}  // namespace gfx
