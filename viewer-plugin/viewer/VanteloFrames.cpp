// The viewer's frames: what each frame message runs, drawing, painting the window, script
// events and the animated move.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/text/Text.h"
#include "platform/window/DrawContext.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/model/ViewGeometry.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

using platform::SemaphoreHold;

namespace {

// Pixels from one line of the status text to the next.
constexpr int kStatusLineHeight = 20;

}  // namespace

void CVanteloPlugin::OnFrameMessage() {
    // A holder in another process hears of no display change: frames let go and take back.
    device_.OnFrame();
    const bool releaseRequested = device_.RequestStands();
    const bool displayChange = hold_ && hold_->PendingCount(platform::WM_DISPLAYCHANGE) > 0;
    if (!releaseRequested && !displayChange) {
        CheckLoaded();
        FrameStep();
    }
    // Always: the pacing thread posts the next frame only once this one is done.
    if (frameEvent_) frameEvent_->Set();
}

void CVanteloPlugin::CheckLoaded() {
    AlbumLoader& loader = album_.Loader();
    const int report = loader.TakeReport();
    const auto fireOnLoad = [this] {
        if (!lwfOnLoadPending_) return;
        FireEvent(kOnLoad, true);
        lwfOnLoadPending_ = false;
    };
    if (report == AlbumLoader::kNewRows) {
        fireOnLoad();
        album_.SetDirty();
    }
    if (loader.IsProgressive() || !handedOver_) return;
    const int state = loader.GetState();
    if (state == AlbumLoader::kFinished) {
        fireOnLoad();
        album_.EndLoader();
        album_.SetDirty();
    } else if (report == AlbumLoader::kLoaderLeft && state == AlbumLoader::kIdle) {
        // The loader gave up on the picture: the window says so instead of showing tiles
        // that were never written.
        album_.EndLoader();
        handedOver_ = false;
        imagePresent_ = false;
        loadError_ = true;
        album_.SetDirty();
        // Frames stop without a picture: a paint draws the frame and says why.
        if (hold_) hold_->Invalidate();
    }
}

bool CVanteloPlugin::FrameStep() {
    frameClock_.Tick();
    DeliverQueue();
    FireEvent(kOnTime, false);
    if (!imagePresent_) return false;
    if (frameFocus_) {
        bool moved = false;
        {
            // The loader places its first rows under the canvas lock: the view is read and
            // moved under it too.
            SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
            const Vector3 before = album_.GetPosition();
            if (display_) album_.ProcessMouseInput(display_.get());
            if (album_.IsPanDrag() &&
                (platform::GetAsyncKeyState(platform::VK_LBUTTON) & 0x8000) == 0) {
                EndLeftDrag();
            }
            if (album_.IsZoomDrag() &&
                (platform::GetAsyncKeyState(platform::VK_RBUTTON) & 0x8000) == 0) {
                EndRightDrag();
            }
            moved = !(album_.GetPosition() == before);
        }
        if (moved) FireEvent(kChangedPos, true);
    }
    if (moveActive_) StepMove();
    if (platform::GetFocus() != nullptr) {
        if (!frameFocus_) ActivateInput();
        frameFocus_ = true;
    } else if (frameFocus_) {
        album_.SetPanDrag(false);
        album_.SetZoomDrag(false);
        ReleaseCursor();
        frameFocus_ = false;
    }
    if (album_.IsDirty()) RenderFrame();
    return true;
}

void CVanteloPlugin::StepMove() {
    moveElapsed_ += frameClock_.GetDelta();
    const double d = static_cast<double>(moveElapsed_) / static_cast<double>(moveDuration_);
    const view::MoveStep step = view::MoveToStep(moveStart_, moveGoal_, moveMethod_, d);
    // A goal without a zoom cannot be shown (nor divided by): the view stays where it is and
    // the move still ends.
    const bool showable = moveGoal_.z > 0;
    {
        SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
        if (step.done && showable) {
            album_.SetPosition(-moveGoal_.x, -moveGoal_.y, moveGoal_.z);
        } else if (step.moves && !step.done && showable) {
            album_.SetPosition(-step.position.x, -step.position.y, step.position.z);
        }
        album_.SetDirty();
    }
    // Outside the lock: the host may redraw.
    if (step.done) FireEvent(kZoomedToGoal, true);
}

bool CVanteloPlugin::RenderFrame() {
    // The loader frees reduced levels and borrows tiles under the canvas lock; it lets go
    // at each band, so waiting without a limit is short.
    SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
    return DrawFrame();
}

bool CVanteloPlugin::DrawFrame() {
    if (!display_ || display_->GetBackBuffer() == nullptr) return false;
    SemaphoreHold device(display_.DeviceSemaphore(), ViewerDisplay::kDeviceWait);
    if (!device) return false;
    D3DWindow* display = display_.get();
    const bool logo = loading_ || logoVisible_;
    if (imagePresent_ && album_.Loader().GetState() != AlbumLoader::kStarted) {
        album_.Render(display);
        display_.ForgetPlainFrame();
    } else {
        // While a download runs, frame after frame differs only in the logo, which is drawn
        // opaque over its own place: the background already in the back buffer is kept.
        const ViewerDisplay::PlainFrame plain{album_.GetBgColor(), display->GetSize(), logo,
                                              display->GetGeneration()};
        if (display_.KeepPlainFrame(plain)) album_.FillBackground(display);
        album_.SetDirty(false);
    }
    if (logo) album_.DrawLogo(display);
    display->Flip();
    // The words under a missing picture are the paint's: a frame drawn over them asks for
    // one.
    if (!imagePresent_ && !painting_ && hold_ && !StatusText().empty()) hold_->Invalidate();
    return true;
}

std::string CVanteloPlugin::StatusText() const {
    if (initFailed_) return initFailure_;
    if (!loadError_) return {};
    std::string text = platform::FormatC("Error loading: %s", fileName_.c_str());
    if (refusedSize_.x > 0 && refusedSize_.y > 0) {
        text += platform::FormatC("\nThe picture is too big to show (%d x %d pixels)",
                                  refusedSize_.x, refusedSize_.y);
    }
    return text;
}

void CVanteloPlugin::PaintStatus(ATL_DRAWINFO& info) {
    platform::DrawContext* dc = info.hdcDraw;
    if (dc == nullptr) return;
    SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
    SemaphoreHold state(display_.StateSemaphore(), ViewerDisplay::kStateWait);
    if (!state) {
        // Only what was taken is given back, and nothing is drawn without the state lock.
        canvas.Release();
        std::this_thread::yield();
        return;
    }
    painting_ = true;
    dc->SetBkMode(platform::OPAQUE);
    const int technology = dc->GetDeviceCaps(platform::TECHNOLOGY);
    const Rect& bounds = info.prcBounds;
    if (technology == platform::DT_RASPRINTER || technology == platform::DT_METAFILE) {
        RenderToDC(info);
    } else if (display_) {
        const Vector2<int> corner =
            hold_ ? hold_->ClientToScreen({bounds.left, bounds.top}) : Vector2<int>{};
        display_->OnMove(corner.x, corner.y);
        if (!DrawFrame()) dc->FillRect(bounds, platform::COLOR_WINDOWFRAME + 1);
    } else {
        dc->FillRect(bounds, platform::COLOR_WINDOW + 1);
    }
    if (!imagePresent_) {
        const std::string text = StatusText();
        dc->SetTextAlign(platform::TA_CENTER | platform::TA_BASELINE);
        int y = (bounds.top + bounds.bottom) / 2 + 40;
        for (std::size_t start = 0; start < text.size(); y += kStatusLineHeight) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            dc->TextOut((bounds.left + bounds.right) / 2, y, text.substr(start, end - start));
            start = end + 1;
        }
    }
    painting_ = false;
}

void CVanteloPlugin::SetPosition(float x, float y, float z) {
    if (z == 0) return;
    album_.SetPosition(-x, -y, z);
    album_.SetDirty();
    Redraw();
}

void CVanteloPlugin::GetPosition(float* x, float* y, float* z) const {
    const Vector3 p = album_.GetPosition();
    if (x != nullptr) *x = -p.x;
    if (y != nullptr) *y = -p.y;
    if (z != nullptr) *z = p.z;
}

void CVanteloPlugin::MoveTo(float x, float y, float z, int timeMs, int method) {
    Vector3 start;
    GetPosition(&start.x, &start.y, &start.z);
    if (timeMs == 0) {
        SetPosition(x, y, z);
        if (x != start.x || y != start.y || z != start.z) FireEvent(kChangedPos, true);
        FireEvent(kZoomedToGoal, true);
        return;
    }
    moveGoal_ = Vector3(x, y, z);
    moveStart_ = start;
    moveDuration_ = static_cast<std::uint32_t>(timeMs);
    moveElapsed_ = 0;
    moveMethod_ = method;
    moveActive_ = true;
}

void CVanteloPlugin::SetShowLogo(int value) {
    showLogo_ = value;
    logoVisible_ = value > 0;
}

void CVanteloPlugin::SetClock(FrameTimer::Clock clock) {
    frameClock_ = FrameTimer(clock);
    downloadClock_ = FrameTimer(std::move(clock));
}

CVanteloPlugin::QueuedEvent CVanteloPlugin::Capture(EventKind kind) const {
    QueuedEvent event{kind, {}, 0, {}};
    if (kind == kChangedPos) {
        GetPosition(&event.position.x, &event.position.y, &event.position.z);
    } else if (kind == kOnCursor) {
        if (platform::GetAsyncKeyState(platform::VK_LBUTTON) & 0x8000) event.button |= 1;
        if (platform::GetAsyncKeyState(platform::VK_RBUTTON) & 0x8000) event.button |= 2;
        const Vector2<int> origin = hold_ ? hold_->ClientToScreen({0, 0}) : Vector2<int>{};
        const Vector2<int> cursor = platform::GetCursorPos();
        event.point = Vector2<int>(cursor.x - origin.x, cursor.y - origin.y);
    }
    return event;
}

void CVanteloPlugin::FireEvent(EventKind kind, bool queued) {
    if (!deferEvents_ && host_ != nullptr) {
        Deliver(Capture(kind));
        return;
    }
    // The time event only means something now.
    if (!queued || kind == kOnTime) return;
    queue_.push_back(Capture(kind));
}

void CVanteloPlugin::DeliverQueue() {
    // A host's handler may raise more events: they join the end of the queue.
    while (!deferEvents_ && !queue_.empty()) {
        const QueuedEvent event = queue_.front();
        queue_.pop_front();
        Deliver(event);
    }
}

void CVanteloPlugin::Deliver(const QueuedEvent& event) {
    // The move has ended once its event goes out, host or not.
    if (event.kind == kZoomedToGoal) moveActive_ = false;
    if (host_ == nullptr) return;
    switch (event.kind) {
        case kChangedPos:
            host_->ChangedPos(event.position.x, event.position.y, event.position.z);
            break;
        case kZoomedToGoal:
            host_->ZoomedToGoal();
            break;
        case kOnLoad:
            host_->OnLoad();
            break;
        case kOnTime:
            host_->OnTime();
            break;
        case kOnCursor:
            host_->OnCursor(event.button, static_cast<short>(event.point.x),
                            static_cast<short>(event.point.y));
            break;
    }
}
