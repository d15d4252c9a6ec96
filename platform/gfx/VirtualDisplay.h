#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/gfx/Direct3DTypes.h"

// The display the software objects pretend to drive: its mode, what its driver can do, how
// much video memory it has and which modes it offers. One per process, as a screen is.
// Tests set it up; a program leaves the defaults, with the desktop's mode supplied by the
// window layer.
namespace gfx {

class Surface;

namespace display {

// The desktop's mode as the window layer knows it. Until one is set, 1024 x 768 at 32 bits.
using ModeSource = std::function<DisplayMode()>;
void SetDesktopModeSource(ModeSource source);

// The mode in force: one a program switched to, else the desktop's.
DisplayMode CurrentMode();
// A switch through a DirectDraw object; a restore goes back to the desktop's.
void SetSwitchedMode(const DisplayMode& mode);
void ClearSwitchedMode();

// What GetCaps reports for the driver. By default no 3D hardware, so viewers take the
// software device.
void SetDriverCaps(std::uint32_t caps);
std::uint32_t DriverCapabilities();

// Bytes of video memory surfaces may take (the primary takes none: it is the screen).
// Unlimited by default.
void SetVideoMemoryBudget(std::uint64_t bytes);
std::uint64_t VideoMemoryBudget();
std::uint64_t VideoMemoryUsed();
// Accounting for surfaces; false when the bytes do not fit.
bool TakeVideoMemory(std::uint64_t bytes);
void GiveBackVideoMemory(std::uint64_t bytes);

// The modes EnumDisplayModes reports. By default 640 x 480, 800 x 600 and 1024 x 768 at 8,
// 16, 24 and 32 bits.
void SetModes(std::vector<ModeDesc> modes);
std::vector<ModeDesc> Modes();

// A machine with only the old interface refuses the newer one.
void SetNewInterfaceRefused(bool refused);
bool NewInterfaceRefused();

// The next `count` surface creations fail with `result`.
void FailSurfaceCreations(int count, HRESULT result);
// Takes one failure to hand out, if any is pending.
bool TakeCreationFailure(HRESULT& result);

// Every live surface is lost, as when another program takes the display. While restores are
// refused (as while that program keeps it), Restore answers DDERR_SURFACELOST.
void LoseAllSurfaces();
void SetRestoreRefused(bool refused);
bool RestoreRefused();

// Live objects of this layer (DirectDraw objects, surfaces, clippers): 0 once every
// reference is released.
int LiveObjects();
void CountObject(int delta);

// Surfaces register themselves so that they can all be lost.
void RegisterSurface(Surface* surface);
void UnregisterSurface(Surface* surface);

// The display's 3D hardware: what its device reports. None by default, so every viewer
// draws with the software device. Tests give one (with DDCAPS_3D in the driver caps) to
// reach the hardware path.
void SetHardware3D(std::optional<DeviceDesc> desc);
std::optional<DeviceDesc> Hardware3D();

// The texture formats devices offer. By default each display depth's layout, ARGB 8888,
// 1555 and 4444, an 8-bit luminance format and a FourCC format.
void SetTextureFormats(std::vector<PixelFormatDesc> formats);
std::vector<PixelFormatDesc> TextureFormats();

// The next `count` clears report success and change nothing, as a render target that does
// not take drawing would.
void IgnoreClears(int count);
bool TakeIgnoredClear();

// A machine without the 3D interface refuses it.
void SetDirect3DRefused(bool refused);
bool Direct3DRefused();

// Back to the defaults. Tests call it between cases; live objects are kept.
void Reset();

}  // namespace display
}  // namespace gfx
