#pragma once

#include <cstdint>
#include <memory>

#include "platform/npapi/Npapi.h"
#include "platform/window/Window.h"
#include "viewer-plugin/npvantelo/MozillaCustomPluginInterface.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

class nsScriptablePeer;

// What a browser's instance asks of a plug-in object, one slot per NPP call.
class nsPluginInstanceBase {
public:
    virtual bool Init(NPWindow* window) = 0;
    virtual void Shut() = 0;
    virtual bool IsInitialized() = 0;
    virtual NPError SetWindow(NPWindow* window) = 0;
    virtual NPError NewStream(NPMIMEType type, NPStream* stream, NPBool seekable,
                              std::uint16_t* stype) = 0;
    virtual NPError DestroyStream(NPStream* stream, NPReason reason) = 0;
    virtual void StreamAsFile(NPStream* stream, const char* fname) = 0;
    virtual std::int32_t WriteReady(NPStream* stream) = 0;
    virtual std::int32_t Write(NPStream* stream, std::int32_t offset, std::int32_t len,
                               void* buffer) = 0;
    virtual void Print(NPPrint* printInfo) = 0;
    virtual std::int16_t HandleEvent(void* event) = 0;
    virtual void URLNotify(const char* url, NPReason reason, void* notifyData) = 0;
    virtual NPError GetValue(NPPVariable variable, void* value) = 0;
    virtual NPError SetValue(NPNVariable variable, void* value) = 0;

protected:
    ~nsPluginInstanceBase() = default;
};

// One embedded viewer. Streams are inert: the picture comes through the viewer's own
// download. The viewer holds the browser's window and routes its messages itself.
class nsPluginInstance final : public nsPluginInstanceBase {
public:
    // Writes that a stream may take at once.
    static constexpr std::int32_t kWriteReady = 0x0FFFFFFF;

    explicit nsPluginInstance(NPP instance);
    ~nsPluginInstance();
    nsPluginInstance(const nsPluginInstance&) = delete;
    nsPluginInstance& operator=(const nsPluginInstance&) = delete;

    bool Init(NPWindow* window) override;
    void Shut() override;
    bool IsInitialized() override { return initialised_; }
    NPError SetWindow(NPWindow*) override { return NPERR_NO_ERROR; }
    NPError NewStream(NPMIMEType, NPStream*, NPBool, std::uint16_t*) override {
        return NPERR_NO_ERROR;
    }
    NPError DestroyStream(NPStream*, NPReason) override { return NPERR_NO_ERROR; }
    void StreamAsFile(NPStream*, const char*) override {}
    std::int32_t WriteReady(NPStream*) override { return kWriteReady; }
    std::int32_t Write(NPStream*, std::int32_t, std::int32_t len, void*) override { return len; }
    void Print(NPPrint*) override {}
    std::int16_t HandleEvent(void*) override { return 0; }
    void URLNotify(const char*, NPReason, void*) override {}
    NPError GetValue(NPPVariable variable, void* value) override;
    NPError SetValue(NPNVariable, void*) override { return NPERR_NO_ERROR; }

    NPP GetNPP() const { return npp_; }
    CVanteloPlugin& GetViewer() { return viewer_; }
    CMozillaCustomPluginInterface* GetHost() const { return host_.get(); }
    // The window the instance was given, null when none is attached.
    platform::HWND GetWindow() const { return window_; }
    // The embed tag's attributes, read once before any window exists.
    void ReadAttributes(std::int16_t argc, char** argn, char** argv);

    // The paint routine: the viewer draws onto the window's pixels.
    void OnPaint();

private:
    NPP npp_;
    bool initialised_ = false;
    platform::HWND window_ = nullptr;
    nsScriptablePeer* peer_ = nullptr;
    CVanteloPlugin viewer_;
    std::unique_ptr<CMozillaCustomPluginInterface> host_;
    [[maybe_unused]] int unused_ = 0;
};
