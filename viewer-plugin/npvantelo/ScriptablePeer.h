#pragma once

#include <initializer_list>

#include "viewer-plugin/npvantelo/ClassInfoMixin.h"
#include "viewer-plugin/npvantelo/nsIVantelo.h"
#include "viewer-plugin/viewer/DispatchTable.h"

class CVanteloPlugin;
class nsPluginInstance;

// What page scripts hold of one embedded viewer. The browser may keep it after the instance
// is gone: every entry then succeeds and does nothing. Used on the browser's thread only.
class nsScriptablePeer final : public nsIVantelo, public nsClassInfoMixin {
public:
    explicit nsScriptablePeer(nsPluginInstance* instance) : instance_(instance) {}
    nsScriptablePeer(const nsScriptablePeer&) = delete;
    nsScriptablePeer& operator=(const nsScriptablePeer&) = delete;

    void SetInstance(nsPluginInstance* instance) { instance_ = instance; }
    nsrefcnt RefCount() const { return refs_; }

    // nsISupports, for both interfaces.
    nsresult QueryInterface(const nsIID& iid, void** result) override;
    nsrefcnt AddRef() override;
    nsrefcnt Release() override;

    // nsIVantelo
    nsresult SetFilename(const char* value) override;
    nsresult GetFilename(char** value) override;
    nsresult SetPosition(float x, float y, float z) override;
    nsresult GetPosition(float* x, float* y, float* z) override;
    nsresult MoveTo(float x, float y, float z, std::int32_t timeMs, std::int32_t method) override;
    nsresult SetUserInterfaceLock(std::int32_t value) override;
    nsresult GetUserInterfaceLock(std::int32_t* value) override;
    nsresult SetVersion(float value) override;
    nsresult GetVersion(float* value) override;
    nsresult SetBgColor(std::int32_t value) override;
    nsresult GetBgColor(std::int32_t* value) override;
    nsresult SetCanvasColor(std::int32_t value) override;
    nsresult GetCanvasColor(std::int32_t* value) override;
    nsresult SetCanvasWidth(std::int32_t value) override;
    nsresult GetCanvasWidth(std::int32_t* value) override;
    nsresult SetCanvasHeight(std::int32_t value) override;
    nsresult GetCanvasHeight(std::int32_t* value) override;
    nsresult ReSizeCanvas(std::int32_t width, std::int32_t height) override;
    nsresult SetMaxZoom(float value) override;
    nsresult GetMaxZoom(float* value) override;
    nsresult SetMinZoom(float value) override;
    nsresult GetMinZoom(float* value) override;
    nsresult SetZoomSpeed(float value) override;
    nsresult GetZoomSpeed(float* value) override;
    nsresult SetPanSpeed(float value) override;
    nsresult GetPanSpeed(float* value) override;
    nsresult SetBorderColor(std::int32_t value) override;
    nsresult GetBorderColor(std::int32_t* value) override;
    nsresult SetBorderWidth(std::int32_t value) override;
    nsresult GetBorderWidth(std::int32_t* value) override;
    nsresult SetBorderHeight(std::int32_t value) override;
    nsresult GetBorderHeight(std::int32_t* value) override;
    nsresult SetFit(std::int32_t value) override;
    nsresult GetFit(std::int32_t* value) override;
    nsresult SetPosX(float value) override;
    nsresult GetPosX(float* value) override;
    nsresult SetPosY(float value) override;
    nsresult GetPosY(float* value) override;
    nsresult SetPosZ(float value) override;
    nsresult GetPosZ(float* value) override;
    nsresult RedrawCanvas() override;
    nsresult SetShowLogo(std::int32_t value) override;
    nsresult GetShowLogo(std::int32_t* value) override;
    nsresult SetFullscreen(std::int32_t value) override;
    nsresult GetFullscreen(std::int32_t* value) override;
    nsresult ZoomLock(std::int32_t xPos, std::int32_t yPos) override;
    nsresult ZoomUnlock() override;
    nsresult SetFilterRequest(std::int32_t value) override;
    nsresult GetFilterRequest(std::int32_t* value) override;

private:
    ~nsScriptablePeer() = default;

    // The viewer while the instance lives.
    CVanteloPlugin* Viewer() const;
    nsresult Call(int dispid, scripting::MemberKind kind,
                  std::initializer_list<scripting::Value> arguments);
    // A property's value through the out pointer, left alone when there is none.
    template <class T>
    nsresult Get(int dispid, T* value);

    nsrefcnt refs_ = 0;
    nsPluginInstance* instance_;
};
