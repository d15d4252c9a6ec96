// One embedded viewer: its window, its messages, its paint and its script peer.
#include "viewer-plugin/npvantelo/PluginInstance.h"

#include <cstring>
#include <new>

#include "platform/window/DrawContext.h"
#include "viewer-plugin/EmbedAttributes.h"
#include "viewer-plugin/npvantelo/BrowserFuncs.h"
#include "viewer-plugin/npvantelo/ScriptablePeer.h"
#include "viewer-plugin/npvantelo/nsIVantelo.h"

namespace {

// The size the record has where the browsers that load the plug-in run.
constexpr std::uint32_t kDrawInfoSize = 60;

}  // namespace

nsPluginInstance::nsPluginInstance(NPP instance)
    : npp_(instance),
      host_(std::make_unique<CMozillaCustomPluginInterface>(std::map<int, std::string>{}, this)) {
    viewer_.SetHostInterface(host_.get());
}

nsPluginInstance::~nsPluginInstance() {
    Shut();
    if (host_) {
        host_->ClearEventNames();
        // Detached first: the download abort below fires OnLoad, which must not reach an
        // adapter that is gone.
        viewer_.SetHostInterface(nullptr);
        host_.reset();
        viewer_.OnDestroyWindow();
    }
    if (peer_ != nullptr) {
        // Scripts that still hold the peer find it doing nothing.
        peer_->SetInstance(nullptr);
        peer_->Release();
        peer_ = nullptr;
    }
}

void nsPluginInstance::ReadAttributes(std::int16_t argc, char** argn, char** argv) {
    if (argc <= 0 || argn == nullptr || argv == nullptr) return;
    const auto count = static_cast<std::size_t>(argc);
    EventNameMap names;
    ApplyEmbedAttributes(viewer_, std::span<const char* const>(argn, count),
                         std::span<const char* const>(argv, count), names);
    for (auto& [id, name] : names) host_->SetEventName(id, std::move(name));
}

bool nsPluginInstance::Init(NPWindow* window) {
    if (window == nullptr || window->window == nullptr) return false;
    auto* widget = static_cast<platform::HWND>(window->window);
    chain_ = platform::Window::Attach(widget);
    if (!chain_) return false;
    chain_->AddHandler([this](const platform::Message& message) { return Route(message); });
    window_ = widget;
    initialised_ = true;
    viewer_.AttachWindow(widget);
    return true;
}

void nsPluginInstance::Shut() {
    // Only this instance's handlers go: another instance on the same window keeps its own.
    chain_.reset();
    window_ = nullptr;
    initialised_ = false;
}

bool nsPluginInstance::Route(const platform::Message& message) {
    switch (message.id) {
        case platform::WM_DESTROY:
            viewer_.OnDestroyWindow();
            break;
        case platform::WM_SETFOCUS:
            viewer_.OnSetFocus();
            break;
        case platform::WM_KILLFOCUS:
            viewer_.OnKillFocus(reinterpret_cast<platform::HWND>(message.wParam));
            break;
        case platform::WM_PAINT:
            OnPaint();
            break;
        case platform::WM_DISPLAYCHANGE:
            // The viewer rebuilds its display from the frame step, which sees the change
            // still queued on its own window.
            break;
        case platform::WM_LBUTTONUP:
        case platform::WM_NCLBUTTONUP:
            viewer_.OnLButtonUp();
            break;
        case platform::WM_RBUTTONUP:
        case platform::WM_NCRBUTTONUP:
            viewer_.OnRButtonUp();
            break;
        case platform::WM_KEYDOWN:
            viewer_.OnKeyDown(static_cast<int>(message.wParam), message.lParam);
            break;
        case platform::WM_COMMAND:
            viewer_.OnCommand(static_cast<std::uint32_t>(platform::LoWord(message.wParam)));
            break;
        case platform::WM_MOUSEMOVE:
            viewer_.OnMouseMove(
                {platform::XFromLParam(message.lParam), platform::YFromLParam(message.lParam)});
            break;
        case platform::WM_LBUTTONDOWN:
            viewer_.OnLButtonDown();
            break;
        case platform::WM_RBUTTONDOWN:
            viewer_.OnRButtonDown(message.wParam, message.lParam);
            break;
        case CVanteloPlugin::kFrameMessage:
            viewer_.OnFrameMessage();
            break;
        default:
            break;
    }
    // The window's own handling follows every message, handled here or not.
    return false;
}

void nsPluginInstance::OnPaint() {
    if (!chain_) return;
    const std::unique_ptr<platform::DrawContext> dc = chain_->BeginPaint();
    if (!dc) return;
    ATL_DRAWINFO info;
    info.cbSize = kDrawInfoSize;
    info.hdcDraw = dc.get();
    info.prcBounds = chain_->GetClientRect();
    viewer_.PaintStatus(info);
}

NPError nsPluginInstance::GetValue(NPPVariable variable, void* value) {
    const bool answers =
        variable == NPPVpluginScriptableInstance || variable == NPPVpluginScriptableIID;
    if (answers && value == nullptr) return NPERR_GENERIC_ERROR;
    switch (variable) {
        case NPPVpluginScriptableInstance: {
            if (peer_ == nullptr) {
                peer_ = new (std::nothrow) nsScriptablePeer(this);
                if (peer_ == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
                peer_->AddRef();
            }
            peer_->AddRef();
            *static_cast<nsISupports**>(value) = static_cast<nsIVantelo*>(peer_);
            return NPERR_NO_ERROR;
        }
        case NPPVpluginScriptableIID: {
            auto* iid = static_cast<nsIID*>(NPN_MemAlloc(sizeof(nsIID)));
            if (iid == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
            std::memcpy(static_cast<void*>(iid), &NS_IVANTELO_IID, sizeof(nsIID));
            *static_cast<nsIID**>(value) = iid;
            return NPERR_NO_ERROR;
        }
        default:
            return NPERR_NO_ERROR;
    }
}
