// The options dialog: what the viewer reports about itself, and the dialog's run.
#include "platform/window/Desktop.h"
#include "viewer-plugin/about/AboutDialog.h"
#include "viewer-plugin/canvas/Canvas.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/ErrorLog.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

ViewerReport CVanteloPlugin::Report() {
    ViewerReport r;
    r.initFailed = initFailed_;
    r.initFailure = initFailure_;
    r.loadError = loadError_;
    r.fileName = fileName_;
    if (display_) {
        auto section = EnterDeviceSection();
        r.hasDisplay = true;
        r.oldInterface = SharedDirectDraw().dx3Mode;
        r.oldInterfaceForced = DDWindow::IsForceDX3();
        r.hasDevice = display_->GetDevice() != nullptr;
        r.hardwareDevice = display_->OwnsDevice() && display_->HoldsHardware();
        r.processCount = D3DWindow::ProcessDirect3DUsers();
        r.computerCount = display_->GetRunningCount();
        r.windowWidth = display_->GetSize().x;
        r.windowHeight = display_->GetSize().y;
        r.bitsPerPixel = display_->GetBitsPerPixel();
        if (DDSurface* back = display_->GetBackBuffer(); back != nullptr && back->Lock()) {
            std::uint8_t* bits = nullptr;
            std::ptrdiff_t pitch = 0;
            const platform::PixelFormat* format = nullptr;
            if (back->GetLockInfo(&bits, &pitch, &format) && format != nullptr) {
                r.formatKnown = true;
                r.formatBits = format->rgbBitCount;
                r.redMask = format->redMask;
                r.greenMask = format->greenMask;
                r.blueMask = format->blueMask;
            }
            back->Unlock();
        }
        r.imageDepth = r.bitsPerPixel;
    }
    r.received = received_;
    r.total = expected_;
    if (const Canvas* canvas = album_.GetCanvas()) {
        r.imageWidth = canvas->GetImageWidth();
        r.imageHeight = canvas->GetImageHeight();
    }
    r.fps = frameClock_.GetFps();
    GetPosition(&r.posX, &r.posY, &r.posZ);
    r.errorLog = ErrorLog::Instance().GetText();
    return r;
}

void CVanteloPlugin::ShowAboutDialog() {
    AboutDialogRequest request;
    platform::Window* target = TargetWindow();
    request.owner = target != nullptr ? target->handle() : nullptr;
    request.aboutText = AboutPageText();
    request.advancedText = AdvancedText(Report());
    request.desktop = platform::GetDesktopRect().GetSize();
    if (display_) {
        const int depth = display_->GetBitsPerPixel();
        int width = 0;
        int height = 0;
        int bits = 0;
        display_->GetDisplayModes(nullptr, nullptr, nullptr);
        for (bool more = true; more;) {
            more = display_->GetDisplayModes(&width, &height, &bits);
            if (width > 0 && height > 0 && bits == depth) request.modes.emplace_back(width, height);
            if (!more) break;
        }
    }
    request.options = &Options();
    request.section = &OptionsSection();
    SuspendPacing();
    // A zoom drag hid the cursor and held it: the dialog needs it back.
    ReleaseCursor();
    RunAboutDialog(request);
    ResumePacing();
    SaveOptions();
    UpdateMenu(album_.GetUserInterfaceLock());
    Redraw();
}
