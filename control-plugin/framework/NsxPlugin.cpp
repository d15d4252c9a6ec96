#include "control-plugin/framework/NsxPlugin.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "control-plugin/bridge/ObjectHandles.h"
#include "control-plugin/framework/NsxApp.h"

namespace {

constexpr unsigned kRedrawAll = platform::RDW_INVALIDATE | platform::RDW_ERASE |
                                platform::RDW_ALLCHILDREN | platform::RDW_UPDATENOW |
                                platform::RDW_FRAME;
static_assert(kRedrawAll == 0x585);

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

namespace {

std::vector<CNsxPlugin*>& Live() {
    static std::vector<CNsxPlugin*> live;
    return live;
}

}  // namespace

CNsxPlugin::CNsxPlugin() {
    Live().push_back(this);
}

CNsxPlugin::~CNsxPlugin() {
    // Whatever the page still holds of this instance dies with it.
    ReleaseObjectHandles(this);
    auto& live = Live();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

const std::vector<CNsxPlugin*>& LiveNsxPlugins() {
    return Live();
}

platform::HWND CNsxPlugin::GetSafeHwnd() const {
    return window_ ? window_->handle() : nullptr;
}

jref CNsxPlugin::GetJavaPeer() const {
    return ::GetJavaPeer(npp_);
}

bool CNsxPlugin::AttachWindow(platform::HWND window) {
    if (!platform::IsWindow(window)) return false;
    std::uint32_t style = platform::GetWindowStyle(window);
    style |= platform::WS_CLIPCHILDREN | platform::WS_TABSTOP;
    if (!hidden()) style |= platform::WS_VISIBLE;
    platform::SetWindowStyle(window, style);
    return SubclassWindow(window);
}

bool CNsxPlugin::DetachWindow() {
    if (!window_) return false;
    return UnsubclassWindow();
}

void CNsxPlugin::OnDraw(platform::DrawContext&, const Rect&) {}

void CNsxPlugin::OnPrintDraw(platform::DrawContext& dc, const Rect& rect) {
    OnDraw(dc, rect);
}

bool CNsxPlugin::OnAttribute(const char* name, const char* value) {
    if (name == nullptr || ::strcasecmp(name, "hidden") != 0) return false;
    // Any value but "false" hides: no value, an empty one, "no".
    if (value == nullptr || ::strcasecmp(value, "false") != 0) hidden_ = 1;
    return true;
}

bool CNsxPlugin::OnAttributes(std::int16_t argc, char** argn, char** argv) {
    // A browser passes an embed's attributes, its type at least: no arrays is no embed.
    if (argn == nullptr || argv == nullptr) return false;
    if (argc <= 0) return true;
    for (std::int16_t i = 0; i < argc; ++i) {
        if (argn[i] == nullptr) continue;
        OnAttribute(argn[i], argv[i] != nullptr ? argv[i] : "");
    }
    return true;
}

NPError CNsxPlugin::New(NPMIMEType, std::uint16_t, std::int16_t argc, char** argn, char** argv,
                        NPSavedData*) {
    return OnAttributes(argc, argn, argv) ? NPERR_NO_ERROR : NPERR_INVALID_PARAM;
}

NPError CNsxPlugin::Destroy(NPSavedData**) {
    if (HasLiveWindow()) DetachWindow();
    return NPERR_NO_ERROR;
}

NPError CNsxPlugin::SetWindow(NPWindow* window) {
    const bool none = window == nullptr || window->window == nullptr;
    if (HasLiveWindow()) {
        if (none) {
            DetachWindow();
            return NPERR_NO_ERROR;
        }
        if (window->window == GetSafeHwnd()) {
            Redraw();
            return NPERR_NO_ERROR;
        }
        DetachWindow();
    } else if (none) {
        return NPERR_NO_ERROR;
    }
    AttachWindow(static_cast<platform::HWND>(window->window));
    Redraw();
    return NPERR_NO_ERROR;
}

NPError CNsxPlugin::NewStream(NPMIMEType, NPStream*, NPBool, std::uint16_t* stype) {
    if (stype != nullptr) *stype = NP_NORMAL;
    return NPERR_NO_ERROR;
}

std::int32_t CNsxPlugin::WriteReady(NPStream*) {
    return 0x7FFFFFFF;
}

std::int32_t CNsxPlugin::Write(NPStream*, std::int32_t, std::int32_t len, void*) {
    return len;
}

NPError CNsxPlugin::DestroyStream(NPStream*, NPReason) {
    return NPERR_NO_ERROR;
}

void CNsxPlugin::StreamAsFile(NPStream*, const char*) {}

void CNsxPlugin::Print(NPPrint* print) {
    if (print == nullptr) return;
    if (print->mode == NP_FULL) {
        // The browser prints the page itself.
        print->print.fullPrint.pluginPrinted = false;
        return;
    }
    platform::DrawContext* printer = EmbedPrintContext(print->print.embedPrint);
    // A browser that hands over no printer gets nothing drawn.
    if (printer == nullptr) return;
    const NPWindow& place = print->print.embedPrint.window;
    const Rect rect{place.x, place.y, ClampToInt(std::int64_t{place.x} + place.width),
                    ClampToInt(std::int64_t{place.y} + place.height)};
    OnPrintDraw(*printer, rect);
}

void CNsxPlugin::URLNotify(const char*, NPReason, void*) {}

std::int16_t CNsxPlugin::HandleEvent(void*) {
    return 0;
}

bool CNsxPlugin::WindowProc(const platform::Message& message) {
    switch (message.id) {
        case platform::WM_PAINT:
            return OnPaint();
        case platform::WM_ERASEBKGND:
            return OnEraseBackground(reinterpret_cast<platform::HDC>(message.wParam));
        default:
            return false;
    }
}

bool CNsxPlugin::SubclassWindow(platform::HWND window) {
    if (!platform::IsWindow(window)) return false;
    window_ = platform::Window::Attach(window);
    if (!window_) return false;
    window_->AddHandler([this](const platform::Message& message) { return WindowProc(message); });
    return true;
}

bool CNsxPlugin::UnsubclassWindow() {
    if (!window_) return false;
    window_.reset();
    return true;
}

void CNsxPlugin::HoldWindow(std::unique_ptr<platform::Window> window) {
    window_ = std::move(window);
    if (window_) {
        window_->AddHandler(
            [this](const platform::Message& message) { return WindowProc(message); });
    }
}

void CNsxPlugin::Redraw() {
    platform::RedrawWindow(GetSafeHwnd(), kRedrawAll);
}

bool CNsxPlugin::OnPaint() {
    if (!window_) return false;
    auto dc = platform::BeginPaintErasing(*window_);
    if (dc) OnDraw(*dc, window_->GetClientRect());
    return true;
}

bool CNsxPlugin::OnEraseBackground(platform::HDC dc) {
    platform::HWND self = GetSafeHwnd();
    platform::HWND parent = platform::GetParent(self);
    if (dc == nullptr || parent == nullptr) return false;
    const auto brush = reinterpret_cast<platform::HBRUSH>(platform::SendMessage(
        parent, platform::WM_CTLCOLORSTATIC, reinterpret_cast<platform::WPARAM>(dc),
        reinterpret_cast<platform::LPARAM>(self)));
    if (brush == nullptr) return false;
    dc->FillRect(window_->GetClientRect(), *brush);
    platform::SetMessageResult(self, 1);
    return true;
}

platform::DrawContext* EmbedPrintContext(const NPEmbedPrint& print) {
    constexpr std::size_t kAfterClip = offsetof(NPWindow, clipRect) + sizeof(NPRect);
    constexpr std::size_t kWord = sizeof(std::uintptr_t);
    static_assert(offsetof(NPEmbedPrint, window) == 0);
    static_assert(kAfterClip + 2 * kWord <= sizeof(NPEmbedPrint));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&print);
    std::uintptr_t handle = 0;
    std::memcpy(&handle, bytes + kAfterClip, kWord);
    // A small number there is the window type, not a handle.
    if (handle <= 2) std::memcpy(&handle, bytes + kAfterClip + kWord, kWord);
    return reinterpret_cast<platform::DrawContext*>(handle);
}
