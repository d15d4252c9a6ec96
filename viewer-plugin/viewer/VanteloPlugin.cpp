// The viewer's life: the process-wide list, the display on its window, loading a picture
// from its download and the order in which it all comes down again.
#include "viewer-plugin/viewer/VanteloPlugin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/gfx/DirectDrawTypes.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "platform/window/InputState.h"
#include "platform/window/TaskPost.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/display/ImageResource.h"
#include "viewer-plugin/display/Resources.h"
#include "viewer-plugin/model/ViewGeometry.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/viewer/FullScreen.h"

namespace {

bool EndsWithLwf(const std::string& name) {
    return platform::EndsWithNoCase(name, ".lwf");
}

}  // namespace

platform::CriticalSection& CVanteloPlugin::ListSection() {
    static platform::CriticalSection section;
    return section;
}

std::vector<CVanteloPlugin*>& CVanteloPlugin::Instances() {
    static std::vector<CVanteloPlugin*> list;
    return list;
}

CVanteloPlugin::CVanteloPlugin() {
    static int serials = 0;
    platform::SectionHold hold(ListSection());
    serial_ = ++serials;
    if (Instances().empty()) {
        LoadOptions();
        // Download notifications arrive on the window thread, where the viewer lives.
        platform::SetNotificationPoster(
            [](std::function<void()> task) { platform::PostTask(std::move(task)); });
    }
    Instances().push_back(this);
}

CVanteloPlugin::~CVanteloPlugin() {
    // A host that never destroyed the window still gets the threads ended before anything
    // they use goes.
    if (pacing_) pacing_->Stop();
    EndFullscreen();
    // A download still running would report to a viewer that is gone.
    if (binding_ != nullptr) {
        aborted_ = true;
        binding_->Abort();
    }
    album_.StopLoader();
    if (display_) {
        auto section = EnterDeviceSection();
        album_.SetLogo(nullptr);
        display_.DropLogo();
        display_.Destroy();
    }
    platform::SectionHold hold(ListSection());
    DropWindowHold();
    auto& list = Instances();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

int CVanteloPlugin::InstanceCount() {
    platform::SectionHold hold(ListSection());
    return static_cast<int>(Instances().size());
}

void CVanteloPlugin::AttachWindow(platform::HWND window) {
    if (hold_ && hold_->handle() != window) {
        // The pacing thread posts through the hold: it stops before the hold changes, and
        // starts again on the new one.
        if (pacing_) pacing_->Stop();
        platform::SectionHold list(ListSection());
        DropWindowHold();
    }
    window_ = window;
    if (window == nullptr) return;
    if (!hold_) {
        platform::SectionHold list(ListSection());
        hold_ = platform::Window::Attach(window);
        if (!hold_) return;
        hold_->AddHandler(
            [this](const platform::Message& message) { return HandleMessage(message); });
        if (display_) StartPacing();
    }
    const Vector2<int> size = hold_->GetWindowRect().GetSize();
    // An empty window gets its display when it first has a size (OnSize).
    if (size.x <= 0 || size.y <= 0) return;
    hotCorner_ = Rect{size.x - kHotCorner, 0, size.x, kHotCorner};
    if (showLogo_ > 0) logoVisible_ = true;
    Create();
    if (!menuLoaded_) BuildMenu();
    {
        platform::SectionHold options(OptionsSection());
        EnableFullscreenItem(Options().allow != 0);
    }
    if (display_) album_.CreateCanvas(display_.get());
    if (!loading_) Reload();
    menu_.SetMenuItemText(kIdVersion, platform::FormatC("Vantelo %.2f", double{kVersion}));
    UpdateMenu(album_.GetUserInterfaceLock());
}

void CVanteloPlugin::Create() {
    if (display_ || window_ == nullptr) return;
    // A display made again in full screen (a device recovered there) draws into that window.
    auto display = std::make_unique<D3DWindow>(
        nullptr, fullScreen_ != nullptr ? fullScreen_->handle() : window_);
    platform::HRESULT result = 0;
    {
        auto section = EnterDeviceSection();
        result = display->CreateWindowed();
    }
    if (result < 0) {
        initFailure_ = result == gfx::DDERR_INVALIDPIXELFORMAT
                           ? "Display must be set to 16,24 or 32 bit"
                           : "Failed to Create DirectX 6 or later";
        initFailed_ = true;
        display->OnDestroy();
        return;
    }
    initFailed_ = false;
    display_.Adopt(std::move(display));
    {
        auto section = EnterDeviceSection();
        if (DDSurface* back = display_->GetBackBuffer()) {
            display_.SetLogo(
                LoadImageResource(*back, kLogoResourceName, &ViewerResources(), kLogoResource));
        }
        album_.SetLogo(display_.Logo());
    }
    StartPacing();
}

void CVanteloPlugin::SetFilename(const std::string& name) {
    if (name == fileName_ && !loadError_) return;
    if (host_ != nullptr) host_->TryFireOnRequestEdit(1);
    fileName_ = name;
    loadError_ = false;
    if (display_) Reload();
}

int CVanteloPlugin::Reload() {
    if (fileName_.empty()) return -1;
    if (!display_) return -2;
    return LoadFile(fileName_) ? 0 : -3;
}

void CVanteloPlugin::StopLoading() {
    album_.EndLoader();
    keptBuffer_.Free();
}

void CVanteloPlugin::AbortDownload() {
    if (binding_ == nullptr) return;
    aborted_ = true;
    // One already stopping (its end is what calls us) has no end left to clear the mark,
    // which would hide the next load's failure.
    if (binding_->Abort() != platform::S_OK) aborted_ = false;
}

bool CVanteloPlugin::LoadFile(const std::string& name) {
    if (initFailed_ || !display_ || display_->GetBackBuffer() == nullptr || name.empty()) {
        return false;
    }
    lwfOnLoadPending_ = EndsWithLwf(name);
    // A download still running would pour the rest of its picture into this one's loader.
    AbortDownload();
    StopLoading();
    loading_ = true;
    downloadClock_.Reset();
    downloadClock_.Tick();
    // Each load starts its own progressive hand-overs: a second picture would otherwise wait
    // for its whole file.
    lastProgressive_ = 0;
    firstProgressive_ = true;
    progressive_ = false;
    handedOver_ = false;
    headChecked_ = false;
    headRefused_ = false;
    refusedSize_ = {};
    const platform::Bstr url(name);
    Downloader::StartDownload(this, &OnDownloadData, &OnDownloadComplete, &OnDownloadProgress,
                              url.get(), nullptr, true);
    album_.SetProgress(0, 0);
    ActivateInput();
    return true;
}

void CVanteloPlugin::SetDownloadBinding(platform::IBinding* binding) {
    binding_ = binding;
}

void CVanteloPlugin::DownloadBindingEnded(platform::IBinding* binding) {
    // A page's OnLoad handler may have started the next load from inside a failed one's end.
    if (binding_ == binding) binding_ = nullptr;
}

DownloadReader* CVanteloPlugin::GetDownloadReader() {
    return &album_.Loader();
}

void CVanteloPlugin::OnDownloadProgress(CVanteloPlugin* viewer, std::uint32_t received,
                                        std::uint32_t total, std::uint32_t status) {
    if (!viewer->display_) {
        viewer->loadError_ = true;
        viewer->loading_ = false;
        return;
    }
    bool changed = false;
    {
        // A busy viewer drops the progress rather than hold up the download.
        platform::SemaphoreHold hold(viewer->display_.StateSemaphore(), platform::WaitTime{0});
        if (!hold) return;
        viewer->lastProgress_ = viewer->downloadClock_.Tick();
        // A frame that would come out as the last one is not drawn again: only the logo
        // shows progress, and new rows mark the view.
        changed = static_cast<int>(received) != viewer->received_ &&
                  (viewer->album_.IsDirty() ||
                   view::LogoFrame(static_cast<int>(received), static_cast<int>(total)) !=
                       viewer->album_.GetLastLogoFrame());
        viewer->status_ = static_cast<int>(status);
        viewer->received_ = static_cast<int>(received);
        viewer->expected_ = static_cast<int>(total);
        viewer->album_.SetProgress(static_cast<int>(received), static_cast<int>(total));
    }
    // Drawn after the state lock: the canvas lock comes first.
    if (changed) viewer->Redraw();
}

void CVanteloPlugin::OnDownloadData(CVanteloPlugin* viewer, Downloader* download,
                                    std::uint8_t* data, std::size_t size) {
    AlbumLoader& loader = viewer->album_.Loader();
    if (data == nullptr) {
        if (download == nullptr) return;
        const int state = loader.GetState();
        if (viewer->progressive_ && viewer->handedOver_ && state != AlbumLoader::kIdle &&
            state != AlbumLoader::kFinished) {
            // The loader still reads these bytes: they stay with the viewer.
            viewer->keptBuffer_ = download->TakeBuffer();
        } else {
            download->FreeBuffer();
        }
        return;
    }
    if (!viewer->progressive_) {
        // An unannounced size stays unknown until the download ends: a guess would let the
        // loader take a longer file as complete.
        const std::uint32_t announced = download != nullptr ? download->AnnouncedSize() : 0;
        loader.SetExpected(announced != 0 ? announced : AlbumLoader::kUnknown);
    }
    if (!EndsWithLwf(viewer->fileName_)) {
        viewer->CheckDownloadHead(data, size);
        return;
    }
    if (viewer->progressive_ && viewer->handedOver_ && !viewer->decodesProgressively_) {
        viewer->lwfOnLoadPending_ = false;
        return;
    }
    viewer->progressive_ = true;
    if (viewer->showLogo_ > 0) viewer->logoVisible_ = true;
    if (viewer->handedOver_) loader.SetAvailable(size);
    if (static_cast<std::int64_t>(size) - viewer->lastProgressive_ < kHandOverBytes) return;
    if (viewer->lastProgressive_ > 0 || !viewer->firstProgressive_) {
        viewer->Redraw();
    } else {
        viewer->firstProgressive_ = false;
        viewer->handedOver_ = true;
        loader.SetProgressive(true);
        if (viewer->album_.AddData(viewer->display_.get(), viewer->fileName_, data, size)) {
            viewer->imagePresent_ = true;
            viewer->decodesProgressively_ = loader.GetState() != AlbumLoader::kIdle;
        } else {
            loader.SetProgressive(false);
            viewer->decodesProgressively_ = false;
        }
    }
    viewer->ActivateInput();
    viewer->lastProgressive_ = static_cast<int>(size);
}

void CVanteloPlugin::CheckDownloadHead(const std::uint8_t* data, std::size_t size) {
    // A header lies near the start: past this much, the bytes are left to the whole load.
    constexpr std::size_t kHeadBytes = 256 * 1024;
    if (headChecked_ || !display_) return;
    const Album::HeadCheck head = album_.CheckHead(fileName_, data, size);
    if (head == Album::HeadCheck::kUnknown && size < kHeadBytes) return;
    headChecked_ = true;
    if (head != Album::HeadCheck::kRefused) return;
    {
        platform::SemaphoreHold state(display_.StateSemaphore(), ViewerDisplay::kStateWait);
        if (!state) return;
        headRefused_ = true;
        loading_ = false;
        loadError_ = true;
        imagePresent_ = false;
        refusedSize_ = album_.GetRefusedSize();
    }
    // The end of the download that follows has nothing left to do.
    AbortDownload();
    ActivateInput();
    frameClock_.Reset();
    Redraw();
    // Queued, so the page hears of it with the next frame, as of any other failed load.
    const bool deferring = deferEvents_;
    deferEvents_ = true;
    FireEvent(kOnLoad, true);
    deferEvents_ = deferring;
}

void CVanteloPlugin::OnDownloadComplete(CVanteloPlugin* viewer, Downloader* download,
                                        std::uint8_t* buffer) {
    if (viewer->headRefused_) {
        // Ended by its first bytes, which have shown the error and told the page.
        viewer->loading_ = false;
        viewer->aborted_ = false;
        return;
    }
    if (viewer->showLogo_ > 0) viewer->logoVisible_ = true;
    viewer->loading_ = false;
    if (!viewer->display_) {
        viewer->loadError_ = true;
        viewer->FireEvent(kOnLoad, true);
        return;
    }
    platform::SemaphoreHold state(viewer->display_.StateSemaphore(), ViewerDisplay::kStateWait);
    if (!state) {
        viewer->loadError_ = true;
        viewer->FireEvent(kOnLoad, true);
        return;
    }
    AlbumLoader& loader = viewer->album_.Loader();
    if (buffer != nullptr && download != nullptr) {
        const std::uint64_t bytes = download->BytesRead();
        viewer->loadError_ = false;
        if (viewer->handedOver_ && viewer->decodesProgressively_) {
            state.Release();
            loader.SetAvailable(bytes);
            loader.SetExpected(bytes);
        } else {
            const bool ok =
                viewer->album_.AddData(viewer->display_.get(), viewer->fileName_, buffer, bytes);
            viewer->imagePresent_ = ok;
            viewer->loadError_ = !ok;
            if (!ok) viewer->refusedSize_ = viewer->album_.GetRefusedSize();
            // A progressive file too short for a hand-over decodes now on the loader thread,
            // which announces OnLoad with its first rows.
            const bool loaderStarted = ok && loader.GetState() != AlbumLoader::kIdle;
            if (loaderStarted) {
                viewer->handedOver_ = true;
                viewer->decodesProgressively_ = true;
                loader.SetExpected(bytes);
            }
            state.Release();
            viewer->ActivateInput();
            if (!(loaderStarted && viewer->lwfOnLoadPending_)) {
                // Queued, so the page hears of it with the next frame.
                const bool deferring = viewer->deferEvents_;
                viewer->deferEvents_ = true;
                viewer->FireEvent(kOnLoad, true);
                viewer->deferEvents_ = deferring;
            }
        }
        viewer->frameClock_.Reset();
        viewer->Redraw();
        return;
    }
    if (!viewer->aborted_) {
        // Nothing came (an empty file, a name that is not there): the picture before this
        // one is not this one, and is not shown as if it were.
        viewer->loadError_ = true;
        viewer->imagePresent_ = false;
    }
    viewer->aborted_ = false;
    state.Release();
    viewer->Redraw();
    viewer->FireEvent(kOnLoad, true);
}

void CVanteloPlugin::OnDestroyWindow() {
    // The pacing thread first: it posts to the window that is going.
    if (pacing_) pacing_->Stop();
    EndFullscreen();
    ReleaseCursor();
    if (binding_ != nullptr) {
        aborted_ = true;
        binding_->Abort();
        std::this_thread::yield();
    }
    // The loader is stopped and joined before the device section its passes wait for.
    StopLoading();
    {
        platform::SemaphoreHold state(display_.StateSemaphore(), ViewerDisplay::kStateWait);
        if (display_) {
            auto section = EnterDeviceSection();
            album_.SetLogo(nullptr);
            display_.DropLogo();
            album_.StopLoader();
            display_.Destroy();
            display_.SetHasDisplay(false);
        }
    }
    {
        platform::SectionHold list(ListSection());
        DropWindowHold();
    }
    window_ = nullptr;
}
