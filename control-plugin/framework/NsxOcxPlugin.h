#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "control-plugin/framework/NsxActiveXPlugin.h"
#include "control-plugin/framework/NsxOccManager.h"
#include "platform/com/OleThread.h"
#include "platform/window/KeyHook.h"

class CNsxOcxPlugin;

// The window of the hosted control: creating it creates the control, deleting it destroys
// the control. It gets the control's keys before the control's window does.
class CNsxControlWnd {
public:
    CNsxControlWnd();
    virtual ~CNsxControlWnd();
    CNsxControlWnd(const CNsxControlWnd&) = delete;
    CNsxControlWnd& operator=(const CNsxControlWnd&) = delete;

    // `data` is the control's saved state positioned where it starts, or null.
    bool CreateControl(const platform::CLSID& clsid, const char* windowName, std::uint32_t style,
                       const Rect& rect, CNsxOcxPlugin* parent, int id, platform::IStream* data,
                       const CNsxParameters& parameters);
    // True when the message was translated and must go no further.
    virtual bool PreTranslateMessage(const platform::MSG& message);

    // The control's window while it lives; else null.
    platform::HWND GetSafeHwnd() const;
    CNsxControlSite* site() const { return site_; }

    // The wrapper whose control owns this window, or null.
    static CNsxControlWnd* FromHandle(platform::HWND window);

private:
    CNsxControlContainer* container_ = nullptr;
    CNsxControlSite* site_ = nullptr;
    platform::HWND window_ = nullptr;
};

// The thread's message filter while it lives: registered at once, the previous filter put
// back at the end. Incoming calls that keep the thread busy longer than the delay are
// answered as not responding.
class CNsxMessageFilter {
public:
    explicit CNsxMessageFilter(std::uint32_t notRespondingDelay);
    ~CNsxMessageFilter();
    CNsxMessageFilter(const CNsxMessageFilter&) = delete;
    CNsxMessageFilter& operator=(const CNsxMessageFilter&) = delete;

    bool registered() const { return registered_; }
    std::uint32_t notRespondingDelay() const { return delay_; }
    platform::IMessageFilter* filter() const { return filter_.get(); }

private:
    std::uint32_t delay_;
    platform::ComPtr<platform::IMessageFilter> filter_;
    platform::ComPtr<platform::IMessageFilter> previous_;
    bool registered_ = false;
};

// An instance that hosts the control of GetControlClsid in its window, initialised from the
// embed's parameters, from its source stream or from control data in an attribute; it keeps
// the control sized and focused, sends it its keys and has it print itself.
class CNsxOcxPlugin : public CNsxActiveXPlugin {
public:
    // More control data than this is dropped: the control then starts from its parameters.
    static constexpr std::size_t kMaxControlData = std::size_t{16} << 20;
    static constexpr std::uint32_t kControlStyle = 0x50010000;  // child, visible, tab stop
    static constexpr int kControlId = 1;

    CNsxOcxPlugin();
    ~CNsxOcxPlugin() override;

    bool AttachWindow(platform::HWND window) override;
    bool DetachWindow() override;
    void OnPrintDraw(platform::DrawContext& dc, const Rect& rect) override;
    bool OnAttribute(const char* name, const char* value) override;
    NPError New(NPMIMEType mimeType, std::uint16_t mode, std::int16_t argc, char** argn,
                char** argv, NPSavedData* saved) override;
    NPError Destroy(NPSavedData** save) override;
    NPError NewStream(NPMIMEType type, NPStream* stream, NPBool seekable,
                      std::uint16_t* stype) override;
    std::int32_t Write(NPStream* stream, std::int32_t offset, std::int32_t len,
                       void* buffer) override;
    NPError DestroyStream(NPStream* stream, NPReason reason) override;

    platform::IUnknown* GetControlDispatch() override;
    void InvokeHelper(platform::DISPID id, std::uint16_t flags, platform::InvokeResult result,
                      std::initializer_list<platform::Variant> arguments) override;
    void SetProperty(platform::DISPID id, const platform::Variant& value) override;
    void GetProperty(platform::DISPID id, platform::InvokeResult result) override;

    virtual void InstallKeyboardHook();
    virtual void RemoveKeyboardHook();
    virtual void LoadControlData(const char* text);
    virtual void DiscardControlData();

    // (Re)creates the control, unless the source stream is still coming.
    void CreateControl();
    void RemoveControl();

    CNsxControlWnd* controlWindow() const { return controlWnd_.get(); }
    const CNsxParameters& parameters() const { return parameters_; }
    // The control data kept, or null.
    const std::vector<std::uint8_t>* controlData() const { return controlData_.get(); }
    bool loading() const { return loading_ != 0; }
    // The container of the plug-in window's controls, made when first asked; null without
    // a window.
    CNsxControlContainer* GetControlContainer();
    // The handlers of the hosted controls' events, for the container made next.
    virtual std::vector<platform::EventSinkEntry> GetEventSinkMap();

protected:
    bool WindowProc(const platform::Message& message) override;

private:
    void GiveBackKeyboardHook();
    bool ControlAlive() const;

    std::unique_ptr<CNsxControlContainer> container_;
    std::unique_ptr<CNsxControlWnd> controlWnd_;
    CNsxParameters parameters_;
    std::unique_ptr<std::vector<std::uint8_t>> controlData_;
    std::int32_t loading_ = 0;
    std::int32_t hasType_ = 0;
    std::int32_t subclassed_ = 0;
    // This instance's share of the thread's keyboard hook.
    bool hookTaken_ = false;
};

// The thread's keyboard hook, for tests: whether one is installed and how many instances use it.
bool KeyboardHookInstalled();
int KeyboardHookUsers();
