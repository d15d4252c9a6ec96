#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/jri/Jri.h"
#include "platform/npapi/Npapi.h"
#include "platform/window/WindowCalls.h"

// One embedded object of the page: the browser's `pdata` points to it. It answers every NPP
// call with a default a concrete plug-in may override, and holds the browser's plug-in
// window, subclassed, for as long as the browser hands it over. Browser's thread only.
class CNsxPlugin {
public:
    CNsxPlugin();
    virtual ~CNsxPlugin();
    CNsxPlugin(const CNsxPlugin&) = delete;
    CNsxPlugin& operator=(const CNsxPlugin&) = delete;

    NPP npp() const { return npp_; }
    // Set by the factory right after creation.
    void SetNpp(NPP npp) { npp_ = npp; }
    bool hidden() const { return hidden_ != 0; }
    // The window held, while it exists; else null.
    platform::HWND GetSafeHwnd() const;
    // The browser's Java object of this instance, or null.
    jref GetJavaPeer() const;

    virtual bool AttachWindow(platform::HWND window);
    virtual bool DetachWindow();
    virtual void OnDraw(platform::DrawContext& dc, const Rect& rect);
    virtual void OnPrintDraw(platform::DrawContext& dc, const Rect& rect);
    // True when the attribute was this layer's.
    virtual bool OnAttribute(const char* name, const char* value);
    virtual bool OnAttributes(std::int16_t argc, char** argn, char** argv);
    virtual NPError New(NPMIMEType mimeType, std::uint16_t mode, std::int16_t argc, char** argn,
                        char** argv, NPSavedData* saved);
    virtual NPError Destroy(NPSavedData** save);
    virtual NPError SetWindow(NPWindow* window);
    virtual NPError NewStream(NPMIMEType type, NPStream* stream, NPBool seekable,
                              std::uint16_t* stype);
    virtual std::int32_t WriteReady(NPStream* stream);
    virtual std::int32_t Write(NPStream* stream, std::int32_t offset, std::int32_t len,
                               void* buffer);
    virtual NPError DestroyStream(NPStream* stream, NPReason reason);
    virtual void StreamAsFile(NPStream* stream, const char* fname);
    virtual void Print(NPPrint* print);
    virtual void URLNotify(const char* url, NPReason reason, void* notifyData);
    virtual std::int16_t HandleEvent(void* event);

protected:
    // The subclassed window's procedure: true when the message was handled here. Layers
    // above add their messages and pass the rest down.
    virtual bool WindowProc(const platform::Message& message);
    // Holds the window and sends its messages to WindowProc; false for a dead window.
    bool SubclassWindow(platform::HWND window);
    // Lets go of it; false when none was held.
    bool UnsubclassWindow();
    // For layers that make a window of their own when the browser gives none.
    void HoldWindow(std::unique_ptr<platform::Window> window);
    platform::Window* window() const { return window_.get(); }
    bool HasLiveWindow() const { return GetSafeHwnd() != nullptr; }
    // Redraws the held window at once, erasing it and its children first.
    void Redraw();

private:
    bool OnPaint();
    bool OnEraseBackground(platform::HDC dc);

    NPP npp_ = nullptr;
    std::int32_t hidden_ = 0;
    std::unique_ptr<platform::Window> window_;
};

// The printer's device context of an embedded print: the handle-sized word after the clip
// rectangle of the print window, or the next word when that one is 2 or less (a browser
// whose window record carries the window type puts the handle after it).
platform::DrawContext* EmbedPrintContext(const NPEmbedPrint& print);

// The module's instance objects while they live, oldest first.
const std::vector<CNsxPlugin*>& LiveNsxPlugins();
