#include "viewer-plugin/npvantelo/MozillaCustomPluginInterface.h"

#include "platform/debug/Debug.h"
#include "platform/text/Text.h"
#include "viewer-plugin/npvantelo/BrowserFuncs.h"
#include "viewer-plugin/npvantelo/PluginInstance.h"

namespace {

// What the page would have received from a buffer of kUrlBuffer bytes: a longer URL loses
// its end, and the zero still fits.
std::string CutToBuffer(std::string url) {
    if (url.size() >= CMozillaCustomPluginInterface::kUrlBuffer) {
        url.resize(CMozillaCustomPluginInterface::kUrlBuffer - 1);
    }
    return url;
}

}  // namespace

std::string CMozillaCustomPluginInterface::NameOf(int id) const {
    const auto it = names_.find(id);
    return it != names_.end() ? it->second : std::string();
}

void CMozillaCustomPluginInterface::Call(int id, const std::string& arguments) const {
    const std::string name = NameOf(id);
    if (name.empty()) return;
    const std::string url = CutToBuffer("javascript:" + name + "(" + arguments + ")");
    NPN_GetURL(instance_->GetNPP(), url.c_str(), nullptr);
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::FireOnRequestEdit(int) {
    platform::DebugOutput("m_ActiveX->FireOnRequestEdit( id)");
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::GetZoomInfo(ZoomInfo*) {
    platform::DebugOutput("m_ActiveX->GetZoomInfo(di)");
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::TryFireOnRequestEdit(int) {
    platform::DebugOutput("m_ActiveX->TryFireOnRequestEdit(id)");
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::SendOnDataChange(int) {
    platform::DebugOutput("m_ActiveX->SendOnDataChange( arg )");
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::Invalidate() {
    instance_->OnPaint();
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::ChangedPos(float x, float y,
                                                                          float z) {
    Call(kChangedPos, platform::FormatC("%f,%f,%f", double{x}, double{y}, double{z}));
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::ZoomedToGoal() {
    Call(kZoomedToGoal, {});
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::OnLoad() {
    Call(kOnLoad, {});
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::OnTime() {
    Call(kOnTime, {});
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::OnCursor(short button, short posX,
                                                                        short posY) {
    Call(kOnCursor, platform::FormatC("%d,%d,%d", button, posX, posY));
    return 0;
}

CCustomPluginInterface::HRESULT CMozillaCustomPluginInterface::OnChangeMode(short mode, short width,
                                                                            short heigth) {
    Call(kOnChangeMode, platform::FormatC("%d,%d,%d", mode, width, heigth));
    return 0;
}
