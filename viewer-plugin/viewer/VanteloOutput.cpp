// The view on paper and in a file: printing it on the page the print dialog chose, and
// saving the back buffer as a JPEG.
#include <bit>

#include "imaging/JpegWriter.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "platform/window/DrawContext.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/services/PrintLayout.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

constexpr const char* kPrintError = "Print error";
constexpr const char* kSaveViewError = "Save view";
constexpr int kSaveQuality = 90;

int Shift(std::uint32_t mask) {
    return mask == 0 ? 0 : std::countr_zero(mask);
}

int Bits(std::uint32_t mask) {
    return std::popcount(mask);
}

}  // namespace

void CVanteloPlugin::Print() {
    platform::Window* target = TargetWindow();
    const platform::HWND owner = target != nullptr ? target->handle() : nullptr;
    const auto box = [this](platform::HWND boxOwner, const std::string& text) {
        SuspendPacing();
        platform::ShowMessage(boxOwner, text, kPrintError);
        ResumePacing();
    };
    SuspendPacing();
    platform::PrintChoice choice = platform::CurrentPrompts().PrintDialog(owner);
    ResumePacing();
    if (!choice.target) {
        if (choice.error != 0) {
            box(owner, platform::FormatC("Failed to open printer dialog (%d)", choice.error));
        }
        return;
    }
    platform::PrintTarget& printer = *choice.target;
    platform::DrawContext& dc = printer.Context();
    const PageGeometry page{
        dc.GetDeviceCaps(platform::PHYSICALWIDTH), dc.GetDeviceCaps(platform::PHYSICALHEIGHT),
        dc.GetDeviceCaps(platform::PHYSICALOFFSETX), dc.GetDeviceCaps(platform::PHYSICALOFFSETY)};
    const DDSurface* back = display_ ? display_->GetBackBuffer() : nullptr;
    const Vector2<int> buffer = back != nullptr ? back->GetSize() : Vector2<int>{};
    // Any side of zero, of the page or of the view, would divide by zero below.
    const std::optional<Rect> area = PrintRect(page, buffer);
    if (!area) {
        box(nullptr, "Invalid dimensions");
        return;
    }
    Vector2<int> corners[2] = {{area->left, area->top}, {area->right, area->bottom}};
    dc.DPtoLP(corners, 2);
    if (!printer.StartDoc(fileName_)) {
        box(owner, platform::FormatC("Failed to start printerjob (%d)", printer.LastError()));
        return;
    }
    if (!printer.StartPage()) {
        box(owner, platform::FormatC("Failed to prepare printer device (%d)", printer.LastError()));
        printer.EndDoc();
        return;
    }
    ATL_DRAWINFO info;
    info.hdcDraw = &dc;
    info.prcBounds = Rect{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    RenderToDC(info);
    printer.EndPage();
    printer.EndDoc();
}

std::string CVanteloPlugin::SaveViewName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(0, dot) + ".jpg";
    return name;
}

void CVanteloPlugin::SaveView() {
    if (!display_ || display_->GetBackBuffer() == nullptr) return;
    platform::FileDialogRequest request;
    request.save = true;
    request.initialPath = SaveViewName(fileName_);
    request.defaultExtension = "jpg";
    request.filter = "jpeg files|*.jpg||";
    // The name offered is the shown picture's own, often in its own folder: Enter alone
    // must not put a screen-sized view in place of the original.
    request.confirmOverwrite = true;
    platform::Window* target = TargetWindow();
    SuspendPacing();
    const std::optional<std::string> path = platform::CurrentPrompts().FileDialog(
        target != nullptr ? target->handle() : nullptr, request);
    ResumePacing();
    if (!path || path->empty() || !display_) return;
    if (WriteViewFile(*path)) return;
    // Told only once the back buffer and the device section are let go.
    target = TargetWindow();
    SuspendPacing();
    platform::ShowMessage(target != nullptr ? target->handle() : nullptr,
                          platform::FormatC("Failed to save view to %s", path->c_str()),
                          kSaveViewError, platform::MessageButtons::Ok,
                          platform::MessageIcon::Error);
    ResumePacing();
}

bool CVanteloPlugin::WriteViewFile(const std::string& path) {
    if (!display_) return false;
    auto section = EnterDeviceSection();
    DDSurface* back = display_->GetBackBuffer();
    if (back == nullptr || !back->Lock()) return false;
    bool written = false;
    std::uint8_t* bits = nullptr;
    std::ptrdiff_t pitch = 0;
    const platform::PixelFormat* format = nullptr;
    if (back->GetLockInfo(&bits, &pitch, &format) && format != nullptr) {
        PictureInfo picture;
        picture.pixels = bits;
        picture.width = back->GetWidth();
        picture.height = back->GetHeight();
        picture.rowBytes = static_cast<int>(pitch);
        picture.bitsPerPixel = static_cast<int>(format->rgbBitCount);
        picture.redShift = Shift(format->redMask);
        picture.greenShift = Shift(format->greenMask);
        picture.blueShift = Shift(format->blueMask);
        picture.redBits = Bits(format->redMask);
        picture.greenBits = Bits(format->greenMask);
        picture.blueBits = Bits(format->blueMask);
        written = SaveJPG(picture, path, kSaveQuality);
    }
    back->Unlock();
    return written;
}
