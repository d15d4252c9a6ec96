#pragma once

#include <functional>
#include <memory>

#include "platform/gfx/Clipper.h"
#include "platform/gfx/DeviceState.h"
#include "platform/gfx/DirectDrawTypes.h"
#include "platform/gfx/Surface.h"

namespace gfx {

// The newer interface of the DirectDraw object, asked for by QueryInterface.
constexpr platform::IID IID_IDirectDraw4{
    0x9C59509A, 0x39BD, 0x11D1, {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};

// The second interface of the DirectDraw object; every machine has it.
constexpr platform::IID IID_IDirectDraw2{
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

// The display driver: it makes surfaces and clippers, reports and switches display modes.
// The old and the new interface are this one object; a machine may refuse the new one
// (display::SetNewInterfaceRefused).
class DirectDraw final : public platform::RefCounted<platform::IUnknown> {
public:
    DirectDraw();

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    HRESULT GetDisplayMode(SurfaceDesc* desc) const;
    // DDSCL_NORMAL (windowed) or DDSCL_EXCLUSIVE with DDSCL_FULLSCREEN; exclusive use needs
    // a window.
    HRESULT SetCooperativeLevel(const WindowRef& window, std::uint32_t flags);
    std::uint32_t CooperativeLevel() const { return device_->level; }
    // Depths 8, 16, 24 and 32; the refresh rate and flags are taken as given.
    HRESULT SetDisplayMode(int width, int height, int bitsPerPixel, int refreshRate = 0,
                           std::uint32_t flags = 0);
    HRESULT RestoreDisplayMode();
    HRESULT GetCaps(DriverCaps* driver, DriverCaps* emulation) const;

    // Calls back with each mode until the callback answers false.
    using EnumModesCallback = std::function<bool(const ModeDesc& mode)>;
    HRESULT EnumDisplayModes(std::uint32_t flags, const SurfaceDesc* match,
                             const EnumModesCallback& callback) const;

    // A primary surface (DDSCAPS_PRIMARYSURFACE: one per object, of the display's size and
    // layout) or a surface of the description's size, in its pixel format or the display's.
    // Video memory is used when asked for or, when neither memory is named, when it fits.
    HRESULT CreateSurface(const SurfaceDesc& desc, Surface** surface);
    HRESULT CreateClipper(std::uint32_t flags, Clipper** clipper);

private:
    ~DirectDraw() override;

    std::shared_ptr<DeviceState> device_ = std::make_shared<DeviceState>();
};

// The object of the default driver (a null identifier); no other driver exists.
HRESULT DirectDrawCreate(const platform::GUID* driver, DirectDraw** object);

}  // namespace gfx
