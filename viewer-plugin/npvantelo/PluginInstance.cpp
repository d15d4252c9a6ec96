// One embedded viewer: its window, its messages, its paint and its script peer.
#include "viewer-plugin/npvantelo/PluginInstance.h"

#include <cstring>
#include <new>

#include "viewer-plugin/npvantelo/BrowserFuncs.h"
#include "viewer-plugin/npvantelo/ScriptablePeer.h"
#include "viewer-plugin/npvantelo/nsIVantelo.h"
#include "viewer-plugin/viewer/EmbedAttributes.h"

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
    // The viewer holds the window and decides where each of its messages goes.
    viewer_.AttachWindow(widget);
    if (viewer_.GetWindow() == nullptr) return false;
    window_ = widget;
    initialised_ = true;
    return true;
}

void nsPluginInstance::Shut() {
    window_ = nullptr;
    initialised_ = false;
}

void nsPluginInstance::OnPaint() {
    viewer_.PaintWindow();
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
