#include "viewer-plugin/model/Album.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gfx/RelativeMouse.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/canvas/Canvas.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/model/ViewGeometry.h"

namespace {

constexpr float kZoomDivisor = 50.0f;
constexpr float kPanFactor = 1.8f;
constexpr float kSmallestMinZoom = 0.01f;
constexpr int kRecordsPerFrame = 16;
constexpr int kRecordsPerFlush = 32;
constexpr int kLostInputRetries = 10;
constexpr int kZoomDeltaLimit = 128;

int PackRgb(const std::uint8_t (&rgb)[3]) {
    return (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
}

void UnpackRgb(int value, std::uint8_t (&rgb)[3]) {
    rgb[0] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
    rgb[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    rgb[2] = static_cast<std::uint8_t>(value & 0xFF);
}

int Saturate(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

Album::Album() = default;

Album::~Album() = default;

void Album::SetPosition(float x, float y, float z) {
    // A page script may send anything: what is not a number would spread through every
    // later sum, and a zoom of 0 leaves no position to read back.
    if (!view::IsFinite(Vector3(x, y, z)) || z == 0) return;
    if (canvas_) {
        const Vector3 screen(x * z, y * z, z);
        if (!view::IsFinite(screen)) return;
        MoveCanvas(screen);
    } else {
        start_ = Vector3(x, y, z);
    }
}

Vector3 Album::GetPosition() const {
    if (!canvas_) return start_;
    const Vector3 p = canvas_->GetPosition();
    return Vector3(p.x / p.z, p.y / p.z, p.z);
}

void Album::SetMinZoom(float value) {
    if (std::isfinite(value)) minZoom_ = std::max(value, kSmallestMinZoom);
}

void Album::SetMaxZoom(float value) {
    if (std::isfinite(value)) maxZoom_ = value;
}

float Album::GetZoomSpeed() const {
    return kZoomDivisor / zoomDivisor_;
}

void Album::SetZoomSpeed(float value) {
    if (std::isfinite(value)) zoomDivisor_ = kZoomDivisor / value;
}

float Album::GetPanSpeed() const {
    return panFactor_ / kPanFactor;
}

void Album::SetPanSpeed(float value) {
    if (std::isfinite(value)) panFactor_ = kPanFactor * value;
}

int Album::GetBgColor() const {
    return PackRgb(bg_);
}

void Album::SetBgColor(int rgb) {
    UnpackRgb(rgb, bg_);
}

int Album::GetCanvasColor() const {
    return PackRgb(canvasColour_);
}

void Album::SetCanvasColor(int rgb) {
    UnpackRgb(rgb, canvasColour_);
}

Vector2<int> Album::GetCanvasSize() const {
    if (!canvas_) return canvasSize_;
    return Vector2<int>(canvas_->GetImageWidth(), canvas_->GetImageHeight());
}

void Album::ResizeCanvas(D3DWindow* display, Vector2<int> size) {
    // A canvas of no pixels has no tiles to place and no centre to zoom about.
    if (size.x < 1 || size.y < 1) return;
    if (canvas_) {
        canvas_->SetSize(display, size);
    } else {
        canvasSize_ = size;
    }
}

void Album::SetZoomLock(bool on, int x, int y) {
    zoomLock_ = on;
    zoomLockPoint_ = on ? Vector2<int>(x, y) : Vector2<int>(-1, -1);
}

void Album::CreateCanvas(D3DWindow* display) {
    if (canvas_ || display == nullptr) return;
    canvas_ = std::make_unique<Canvas>(display, canvasSize_);
    if (fit_ != 0) {
        Fit(display->GetSize());
    } else {
        MoveCanvas(Vector3(start_.x * start_.z, start_.y * start_.z, start_.z));
    }
    CreateMouseDevice();
}

void Album::CreateMouseDevice() {
    std::unique_ptr<gfx::RelativeMouse> device;
    if (gfx::RelativeMouseCreate(0x0300, &device) != gfx::DI_OK) return;
    if (device->SetBufferSize(kRecordsPerFlush) != gfx::DI_OK) return;
    if (device->SetCooperativeLevel(gfx::DISCL_NONEXCLUSIVE | gfx::DISCL_BACKGROUND) !=
        gfx::DI_OK) {
        return;
    }
    mouse_ = std::move(device);
    if (inputActive_) mouse_->Acquire();
}

void Album::ReleaseMouseDevice() {
    mouse_.reset();
}

bool Album::MoveCanvas(const Vector3& screen) {
    const bool changed = screen != screen_;
    screen_ = screen;
    if (canvas_) canvas_->SetPosition(screen_);
    if (changed) dirty_ = true;
    return changed;
}

void Album::Render(D3DWindow* display) {
    dirty_ = false;
    if (!canvas_ || display == nullptr) return;
    canvas_->SetPosition(screen_);
    canvas_->SelectLevel(display);
    const Vector2<int> size = display->GetSize();
    const auto across = view::ScreenExtent(canvas_->GetImageWidth(), screen_.z);
    const auto down = view::ScreenExtent(canvas_->GetImageHeight(), screen_.z);
    const double right = static_cast<double>(screen_.x) + static_cast<double>(across);
    const double bottom = static_cast<double>(screen_.y) + static_cast<double>(down);
    if (screen_.x > 0 || screen_.y > 0 || right < size.x || bottom < size.y) {
        FillBackground(display);
    }
    canvas_->Draw3D(display, filterRequest_);
    DrawBorder(display);
}

void Album::FillBackground(D3DWindow* display) {
    DDSurface* back = display != nullptr ? display->GetBackBuffer() : nullptr;
    if (back == nullptr) return;
    back->Fill(back->ColourToPixel(bg_[0], bg_[1], bg_[2]));
}

void Album::DrawBorder(D3DWindow* display) {
    DDSurface* back = display != nullptr ? display->GetBackBuffer() : nullptr;
    if (back == nullptr || (borderWidth_ == 0 && borderHeight_ == 0)) return;
    const int W = back->GetWidth();
    const int H = back->GetHeight();
    borderWidth_ = std::min(borderWidth_, W);
    borderHeight_ = std::min(borderHeight_, H);
    // Pages have always given the border colour with red in the low byte.
    const std::uint32_t colour = back->ColourToPixel(
        borderColor_ & 0xFF, (borderColor_ >> 8) & 0xFF, (borderColor_ >> 16) & 0xFF);
    // A script's negative side is no border; taken away from the far edge it would overflow.
    const int across = std::max(borderWidth_, 0);
    const int down = std::max(borderHeight_, 0);
    back->FillRect(Rect{0, 0, W, down}, colour);
    back->FillRect(Rect{0, H - down, W, H}, colour);
    back->FillRect(Rect{0, 0, across, H}, colour);
    back->FillRect(Rect{W - across, 0, W, H}, colour);
}

void Album::DrawLogo(D3DWindow* display) {
    DDSurface* back = display != nullptr ? display->GetBackBuffer() : nullptr;
    if (back == nullptr || logo_ == nullptr) return;
    const int width = logo_->GetWidth();
    const int height = logo_->GetHeight();
    if (width > back->GetWidth() || back->GetHeight() < height / kLogoFrames) return;
    const int frame = view::LogoFrame(received_, total_);
    const Rect source{0, frame * height / kLogoFrames, width, (frame + 1) * height / kLogoFrames};
    back->BltTo(*logo_, source, Vector2<int>(back->GetWidth() - width, 0), false);
    lastLogoFrame_ = frame;
}

void Album::ZoomAt(D3DWindow*, Vector2<int> point, float step) {
    if (!canvas_ || !std::isfinite(step)) return;
    const Vector3 pixel = canvas_->WindowToImage(
        Vector2<float>(static_cast<float>(point.x), static_cast<float>(point.y)));
    MoveCanvas(view::ZoomAbout(screen_, pixel.x, pixel.y, step, minZoom_, maxZoom_));
}

void Album::ZoomToFactor(D3DWindow* display, float factor) {
    if (display == nullptr) return;
    const Vector2<int> size = display->GetSize();
    ZoomAt(display, Vector2<int>(size.x / 2, size.y / 2), factor - screen_.z);
}

void Album::MouseZoom(D3DWindow* display, int delta) {
    if (display == nullptr) return;
    Vector2<int> point = platform::GetCursorPos();
    if (platform::Window* window = display->window()) {
        point -= window->ClientToScreen(Vector2<int>(0, 0));
    }
    if (zoomLock_ && canvas_) point = canvas_->ImageToWindow(zoomLockPoint_);
    ZoomAt(display, point, static_cast<float>(delta) / zoomDivisor_);
}

bool Album::Pan(D3DWindow* display, Vector2<int> delta) {
    if (!canvas_ || display == nullptr) return true;
    const Vector2<int> image(canvas_->GetImageWidth(), canvas_->GetImageHeight());
    const Vector3 next = view::PanTo(screen_, delta, panFactor_, display->GetSize(), image,
                                     (userInterfaceLock_ & kLockFreePan) == 0);
    return !MoveCanvas(next);
}

void Album::FitToWindow(Vector2<int> size, int bits) {
    if (!canvas_) return;
    const Vector2<int> image(canvas_->GetImageWidth(), canvas_->GetImageHeight());
    MoveCanvas(view::FitTo(screen_, size, image, bits));
}

void Album::Fit(Vector2<int> size) {
    FitToWindow(size, fit_);
}

void Album::SetActive(platform::HWND, bool on) {
    inputActive_ = on;
    if (!mouse_) return;
    if (on) {
        mouse_->Acquire();
    } else {
        mouse_->Unacquire();
    }
}

bool Album::SetPanDrag(bool on) {
    if (zoomDrag_) return false;
    panDrag_ = on;
    return true;
}

bool Album::SetZoomDrag(bool on) {
    if (panDrag_) return false;
    zoomDrag_ = on;
    return true;
}

bool Album::ReadMouse(int limit, MouseMotion* motion) {
    if (!mouse_) return false;
    gfx::MouseRecord records[kRecordsPerFlush];
    std::uint32_t count = 0;
    for (int retries = 0;;) {
        count = static_cast<std::uint32_t>(std::min(limit, kRecordsPerFlush));
        const gfx::HRESULT result = mouse_->GetDeviceData(records, &count);
        if (result == gfx::DIERR_INPUTLOST) {
            if (++retries > kLostInputRetries) return false;
            mouse_->Acquire();
            continue;
        }
        if (result == gfx::DIERR_NOTACQUIRED) {
            mouse_->Acquire();
            return false;
        }
        if (result != gfx::DI_OK) return false;
        break;
    }
    if (motion == nullptr) return true;
    std::int64_t panX = 0;
    std::int64_t panY = 0;
    std::int64_t zoom = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t data = records[i].data;
        if (records[i].offset == gfx::DIMOFS_X) {
            if (panDrag_) panX -= data;
        } else if (records[i].offset == gfx::DIMOFS_Y) {
            if (zoomDrag_) {
                zoom -= data;
            } else if (panDrag_) {
                panY -= data;
            }
        }
    }
    motion->pan = Vector2<int>(Saturate(panX), Saturate(panY));
    motion->zoom =
        static_cast<int>(std::clamp<std::int64_t>(zoom, -kZoomDeltaLimit, kZoomDeltaLimit));
    return true;
}

void Album::ProcessMouseInput(D3DWindow* display) {
    // The device is let go while input is off; reading would take it again.
    if (!inputActive_) return;
    MouseMotion motion;
    if (!ReadMouse(kRecordsPerFrame, &motion)) return;
    if (motion.zoom != 0 && (userInterfaceLock_ & kLockZoom) == 0) MouseZoom(display, motion.zoom);
    const Vector2<int> pan = motion.pan;
    if ((pan.x != 0 || pan.y != 0) && (userInterfaceLock_ & kLockPan) == 0) Pan(display, pan);
}

void Album::FlushMouseInput(D3DWindow*) {
    ReadMouse(kRecordsPerFlush, nullptr);
}

void Album::SetProgress(int received, int total) {
    received_ = received;
    total_ = total;
}
