#include "viewer-plugin/display/DDWindow.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "platform/gfx/VirtualDisplay.h"
#include "platform/prompts/Prompts.h"
#include "platform/window/Desktop.h"
#include "viewer-plugin/display/ErrorLog.h"

namespace {

constexpr int kTrace = 0;
constexpr int kWarning = 1;
constexpr int kError = 2;

std::atomic<bool> forceDX3{false};
std::atomic<bool> modeSwitchBySettings{false};

void Log(int level, const std::string& text) {
    ErrorLog::Instance().Log(level, text);
}

// Releases one reference and clears the pointer once the object is gone.
template <class T>
void ReleaseShared(T*& object) {
    if (object != nullptr && object->Release() == 0) object = nullptr;
}

}  // namespace

DirectDrawObjects& SharedDirectDraw() {
    static DirectDrawObjects objects;
    return objects;
}

std::vector<DDWindow*>& DDWindow::Windows() {
    static std::vector<DDWindow*> windows;
    return windows;
}

void DDWindow::SetForceDX3(bool force) {
    forceDX3 = force;
}

bool DDWindow::IsForceDX3() {
    return forceDX3;
}

void DDWindow::SetModeSwitchBySettings(bool value) {
    modeSwitchBySettings = value;
}

bool DDWindow::IsModeSwitchBySettings() {
    return modeSwitchBySettings;
}

DDWindow::DDWindow(ModuleInstance instance, platform::HWND window)
    : AKOT_Window(instance, window),
      framebuffer_(this->window() != nullptr ? this->window()->SharedFramebuffer() : nullptr) {
    CreateDeviceSection();
    // The display the software objects drive is the window layer's desktop.
    gfx::display::SetDesktopModeSource([] {
        const Vector2<int> size = platform::GetDesktopRect().GetSize();
        return gfx::DisplayMode{size.x, size.y, platform::GetDisplayBitsPerPixel()};
    });
    {
        auto section = EnterDeviceSection();
        ++SharedDirectDraw().windowCount;
        Windows().push_back(this);
    }
    if (this->window() != nullptr) {
        size_ = this->window()->GetWindowRect().GetSize();
    }
    record_.Map();
}

void DDWindow::SetTargetWindow(platform::HWND window) {
    auto section = EnterDeviceSection();
    Retarget(window);
    framebuffer_ = this->window() != nullptr ? this->window()->SharedFramebuffer() : nullptr;
    DirectDrawObjects& shared = SharedDirectDraw();
    if (shared.clipper != nullptr) shared.clipper->SetHWnd(0, framebuffer_);
    if (this->window() != nullptr) {
        clientRect_ = this->window()->GetClientRect();
        const Vector2<int> origin = this->window()->ClientToScreen(Vector2<int>(0, 0));
        screenRect_ = Rect{origin.x, origin.y, origin.x + clientRect_.GetSize().x,
                           origin.y + clientRect_.GetSize().y};
    }
}

platform::HRESULT DDWindow::SetCooperation(std::uint32_t level) {
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    gfx::DirectDraw* dd = shared.dd4 != nullptr ? shared.dd4 : shared.dd;
    if (dd == nullptr) return gfx::DDERR_NOCOOPERATIVELEVELSET;
    flags_ = level;
    return dd->SetCooperativeLevel(framebuffer_, level);
}

DDWindow::~DDWindow() {
    Log(kTrace, "DDWindow destroyed\n");
    record_.Unmap();
    auto section = EnterDeviceSection();
    backBuffer_.reset();
    auto& windows = Windows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    modes_.clear();
}

platform::HRESULT DDWindow::Create(std::uint32_t flags, std::uint32_t primaryCaps,
                                   std::uint32_t backCaps) {
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    flags_ = flags;
    primaryCaps_ = primaryCaps;
    backCaps_ = backCaps;
    if (released_) {
        // Made anew after a release: counted in again.
        released_ = false;
        ++shared.windowCount;
    }

    if (!holds_.dd) {
        if (shared.dd != nullptr) {
            shared.dd->AddRef();
        } else {
            ++shared.generation;
            const HRESULT hr = gfx::DirectDrawCreate(driver_, &shared.dd);
            if (hr != gfx::DD_OK) return hr;
        }
        holds_.dd = true;
        generation_ = shared.generation;
    }

    gfx::SurfaceDesc mode;
    HRESULT hr = shared.dd->GetDisplayMode(&mode);
    if (hr != gfx::DD_OK) return hr;
    bitsPerPixel_ = static_cast<int>(mode.pixelFormat.rgb.rgbBitCount);
    if (bitsPerPixel_ < 16) {
        // Forgotten when this was the last reference, not only when this is the only
        // window: another window counted in may not have made its own yet.
        holds_.dd = false;
        if (shared.dd->Release() == 0 || shared.windowCount == 1) shared.dd = nullptr;
        return gfx::DDERR_INVALIDPIXELFORMAT;
    }

    if (!holds_.dd4) {
        if (shared.dd4 != nullptr) {
            shared.dd4->AddRef();
            holds_.dd4 = true;
        } else if (!forceDX3) {
            void* dd4 = nullptr;
            if (shared.dd->QueryInterface(gfx::IID_IDirectDraw4, &dd4) == gfx::DD_OK) {
                shared.dd4 = static_cast<gfx::DirectDraw*>(static_cast<platform::IUnknown*>(dd4));
                holds_.dd4 = true;
            }
        }
        if (!holds_.dd4) shared.dx3Mode = true;
    }

    std::uint32_t level = flags;
    if (shared.dx3Mode && (flags & gfx::DDSCL_NORMAL) != 0) level = gfx::DDSCL_NORMAL;
    gfx::DirectDraw* dd = shared.dd4 != nullptr ? shared.dd4 : shared.dd;
    hr = dd->SetCooperativeLevel(framebuffer_, level);
    if (hr != gfx::DD_OK) {
        if (shared.dx3Mode) {
            platform::ShowMessage(nullptr, "SetCooperativeLevel", "FAILED",
                                  platform::MessageButtons::Ok, platform::MessageIcon::None);
        }
        Log(kError, ErrorText(hr));
        return hr;
    }

    if ((flags & gfx::DDSCL_NORMAL) != 0) {
        flipping_ = false;
    } else {
        flipping_ = true;
        hr = dd->SetDisplayMode(size_.x, size_.y, bitsPerPixel_, 0, 0);
        if (hr != gfx::DD_OK) {
            Log(kError, ErrorText(hr));
            return hr;
        }
    }

    hr = CreatePrimarySurface(primaryCaps);
    if (hr != gfx::DD_OK) return hr;
    CreateRenderSurfaces(backCaps);

    if ((flags & gfx::DDSCL_EXCLUSIVE) != 0) AttachBackBuffer();

    if (!holds_.clipper) {
        if (shared.clipper != nullptr) {
            shared.clipper->AddRef();
        } else {
            hr = dd->CreateClipper(0, &shared.clipper);
            if (hr != gfx::DD_OK) {
                Log(kError, ErrorText(hr));
                return hr;
            }
        }
        holds_.clipper = true;
    }
    shared.primary->SetClipper(shared.clipper);
    created_ = true;
    return gfx::DD_OK;
}

void DDWindow::AttachBackBuffer() {
    gfx::Surface* primary = SharedDirectDraw().primary;
    gfx::Surface* back = backBuffer_ != nullptr ? backBuffer_->GetSurface() : nullptr;
    const HRESULT hr = primary != nullptr && back != nullptr ? primary->AddAttachedSurface(back)
                                                             : gfx::DDERR_CANNOTATTACHSURFACE;
    if (hr == gfx::DD_OK) {
        Log(kTrace, "Attached back to front\n");
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Failed to attach surfaces %x\n", static_cast<unsigned>(hr));
    Log(kWarning, text);
    flipping_ = false;
}

platform::HRESULT DDWindow::CreatePrimarySurface(std::uint32_t caps) {
    DirectDrawObjects& shared = SharedDirectDraw();
    if (shared.primary != nullptr) {
        // Each window sharing the primary holds its own reference to it.
        if (!holds_.primary) {
            shared.primary->AddRef();
            holds_.primary = true;
        }
        return gfx::DD_OK;
    }
    gfx::DirectDraw* dd = shared.dd4 != nullptr ? shared.dd4 : shared.dd;
    if (dd == nullptr) return platform::E_FAIL;
    gfx::SurfaceDesc desc;
    desc.flags = gfx::DDSD_CAPS;
    HRESULT hr = platform::E_FAIL;
    if (shared.dx3Mode) {
        desc.caps = gfx::DDSCAPS_PRIMARYSURFACE;
        hr = dd->CreateSurface(desc, &shared.primary);
    } else {
        desc.caps = caps;
        hr = dd->CreateSurface(desc, &shared.primary);
        if (hr != gfx::DD_OK) {
            desc.caps = gfx::DDSCAPS_PRIMARYSURFACE;
            hr = dd->CreateSurface(desc, &shared.primary);
        }
        if (hr != gfx::DD_OK) {
            Log(kError, ErrorText(hr));
            if (sleep_) {
                sleep_(std::chrono::milliseconds(2000));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(2000));
            }
            hr = dd->CreateSurface(desc, &shared.primary);
        }
    }
    holds_.primary = hr == gfx::DD_OK;
    return hr;
}

DDSurface* DDWindow::CreateRenderSurfaces(std::uint32_t caps) {
    backCaps_ = caps;
    if (window() != nullptr) {
        clientRect_ = window()->GetClientRect();
        const Vector2<int> origin = window()->ClientToScreen(Vector2<int>(0, 0));
        const Vector2<int> size = clientRect_.GetSize();
        screenRect_ = Rect{origin.x, origin.y, origin.x + size.x, origin.y + size.y};
        width_ = size.x;
        height_ = size.y;
    }
    auto section = EnterDeviceSection();
    backBuffer_ = std::make_unique<DDSurface>();
    backBuffer_->SetName("Back buffer");
    backBuffer_->Create(SharedDirectDraw(), width_, height_, nullptr, caps, 0);
    return backBuffer_.get();
}

bool DDWindow::Flip() {
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    gfx::Surface* primary = shared.primary;
    if (primary == nullptr) return false;
    if (flipping_) {
        HRESULT hr = primary->Flip(nullptr, gfx::DDFLIP_WAIT);
        if (hr == gfx::DDERR_SURFACELOST) {
            primary->Restore();
            hr = primary->Flip(nullptr, gfx::DDFLIP_WAIT);
            Log(kError, "Failed to flip\n");
        }
        return hr == gfx::DD_OK;
    }
    if (shared.clipper != nullptr) shared.clipper->SetHWnd(0, framebuffer_);
    if (window() == nullptr) return false;
    const Vector2<int> origin =
        window()->ClientToScreen(Vector2<int>(clientRect_.left, clientRect_.top));
    const Vector2<int> size = clientRect_.GetSize();
    const Rect onScreen{origin.x, origin.y, origin.x + size.x, origin.y + size.y};
    if (size.x <= 0 || size.y <= 0) return false;
    gfx::Surface* back = backBuffer_ != nullptr ? backBuffer_->GetSurface() : nullptr;
    const Rect from{0, 0, backBuffer_ != nullptr ? backBuffer_->GetWidth() : 0,
                    backBuffer_ != nullptr ? backBuffer_->GetHeight() : 0};
    gfx::BltFx fx;
    fx.rop = gfx::SRCCOPY;
    const std::uint32_t flags = gfx::DDBLT_WAIT | gfx::DDBLT_ROP;
    if (primary->Blt(&onScreen, back, &from, flags, &fx) == gfx::DD_OK) return true;
    primary->Restore();
    if (back != nullptr) back->Restore();
    return primary->Blt(&onScreen, back, &from, flags, &fx) == gfx::DD_OK;
}

void DDWindow::Resize(Vector2<int> size, bool recreatePrimary) {
    if (!created_) return;
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    size_ = size;
    // A flipping chain would go on showing the old back buffer.
    if (flipping_ && shared.primary != nullptr && backBuffer_ != nullptr &&
        backBuffer_->GetSurface() != nullptr) {
        shared.primary->DeleteAttachedSurface(0, backBuffer_->GetSurface());
    }
    backBuffer_.reset();
    if (recreatePrimary && shared.primary != nullptr) {
        std::vector<DDWindow*> sharers;
        for (DDWindow* w : Windows()) {
            if (w->holds_.primary) sharers.push_back(w);
        }
        for (DDWindow* w : sharers) {
            w->holds_.primary = false;
            ReleaseShared(shared.primary);
        }
        shared.primary = nullptr;
        if (CreatePrimarySurface(primaryCaps_) == gfx::DD_OK) {
            for (DDWindow* w : sharers) {
                if (w == this) continue;
                shared.primary->AddRef();
                w->holds_.primary = true;
            }
            shared.primary->SetClipper(shared.clipper);
        }
    }
    CreateRenderSurfaces(backCaps_);
    if (flipping_) AttachBackBuffer();
}

int DDWindow::ReleaseObjects() {
    ReleaseDirectDraw();
    return 0;
}

void DDWindow::ReleaseDirectDraw() {
    auto section = EnterDeviceSection();
    // Twice for one window would count it out twice and drop references it no longer holds.
    if (released_) return;
    released_ = true;
    DirectDrawObjects& shared = SharedDirectDraw();
    const bool current = generation_ == shared.generation;
    if (holds_.clipper && current) ReleaseShared(shared.clipper);
    holds_.clipper = false;
    const bool exclusive = (flags_ & gfx::DDSCL_EXCLUSIVE) != 0;
    if (exclusive && holds_.dd && current) {
        (shared.dd4 != nullptr ? shared.dd4 : shared.dd)->RestoreDisplayMode();
    }
    if (holds_.primary && current && shared.primary != nullptr) {
        if (exclusive) shared.primary->DeleteAttachedSurface(0, nullptr);
        ReleaseShared(shared.primary);
    }
    holds_.primary = false;
    backBuffer_.reset();
    if (holds_.dd4 && current) ReleaseShared(shared.dd4);
    if (holds_.dd && current) ReleaseShared(shared.dd);
    holds_.dd4 = holds_.dd = false;
    created_ = false;
    if (--shared.windowCount == 0) {
        shared.dd = shared.dd4 = nullptr;
        shared.primary = nullptr;
        shared.clipper = nullptr;
        shared.dx3Mode = false;
    }
}

void DDWindow::ReleaseAll() {
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    for (DDWindow* w : Windows()) {
        if (w->generation_ != shared.generation) continue;
        if (w->holds_.clipper) ReleaseShared(shared.clipper);
        if (w->holds_.primary) ReleaseShared(shared.primary);
        if (w->holds_.dd4) ReleaseShared(shared.dd4);
        if (w->holds_.dd) ReleaseShared(shared.dd);
        w->holds_ = Holds{};
    }
    shared.dd = shared.dd4 = nullptr;
    shared.primary = nullptr;
    shared.clipper = nullptr;
}

void DDWindow::OnDestroy() {
    Log(kTrace, "DDWindow::OnDestroy\n");
    ReleaseObjects();
}

bool DDWindow::OnMove(int x, int y) {
    const Vector2<int> size = screenRect_.GetSize();
    screenRect_ = Rect{x, y, x + size.x, y + size.y};
    return true;
}

void DDWindow::GetScreenRect(Rect* rect) const {
    if (rect != nullptr) *rect = screenRect_;
}

bool DDWindow::EnumModesCallback(const gfx::ModeDesc& mode, DDWindow& window) {
    const int bits = static_cast<int>(mode.pixelFormat.rgb.rgbBitCount);
    if (bits <= 15) return true;
    if (mode.pixelFormat.flags == gfx::DDPF_RGB) {
        window.modes_.push_back(Mode{mode.width, mode.height, bits});
    } else {
        Log(kTrace, "Enum mode callback: Rejected\n");
    }
    return true;
}

bool DDWindow::GetDisplayModes(int* width, int* height, int* bits) {
    if (!modesListed_) {
        auto section = EnterDeviceSection();
        if (gfx::DirectDraw* dd = SharedDirectDraw().dd) {
            dd->EnumDisplayModes(0, nullptr, [this](const gfx::ModeDesc& mode) {
                return EnumModesCallback(mode, *this);
            });
            modesListed_ = true;
        }
    }
    if (width == nullptr || height == nullptr || bits == nullptr) {
        modeCursor_ = 0;
        return false;
    }
    if (modeCursor_ >= modes_.size()) return false;
    const Mode& mode = modes_[modeCursor_++];
    *width = mode.width;
    *height = mode.height;
    *bits = mode.bits;
    return modeCursor_ < modes_.size();
}
