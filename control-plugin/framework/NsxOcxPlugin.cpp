#include "control-plugin/framework/NsxOcxPlugin.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <map>

#include "control-plugin/framework/NsxApp.h"
#include "platform/com/MemoryStream.h"
#include "platform/debug/Debug.h"
#include "platform/window/InputState.h"

using namespace platform;

namespace {

constexpr std::uint32_t kNotRespondingDelay = 30000;
constexpr std::size_t kClsidBytes = 16;

// The thread's keyboard hook. Plain data: nothing of it may outlive the module's code.
struct KeyboardHookRecord {
    HHOOK hook = nullptr;
    int users = 0;
};
thread_local KeyboardHookRecord keyboardHook;

// A hook left at unload (an instance the browser never destroyed) goes with the module.
struct KeyboardHookGuard {
    ~KeyboardHookGuard() {
        if (keyboardHook.hook != nullptr) UnhookWindowsHookEx(keyboardHook.hook);
        keyboardHook = KeyboardHookRecord{};
    }
} keyboardHookGuard;

std::map<HWND, CNsxControlWnd*>& ControlWindows() {
    static std::map<HWND, CNsxControlWnd*> windows;
    return windows;
}

LRESULT KeyboardHookProc(int code, WPARAM removal, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code < 0 || removal != PM_REMOVE || message == nullptr || message->message < WM_KEYDOWN ||
        message->message > WM_KEYLAST) {
        return CallNextHookEx(keyboardHook.hook, code, removal, lParam);
    }
    // The module has no main window of its own: the walk goes to the top.
    for (HWND at = message->hwnd; at != nullptr && IsWindow(at); at = GetParent(at)) {
        CNsxControlWnd* owner = CNsxControlWnd::FromHandle(at);
        if (owner != nullptr && owner->PreTranslateMessage(*message)) {
            message->message = WM_NULL;
            return 0;
        }
    }
    return CallNextHookEx(keyboardHook.hook, code, removal, lParam);
}

std::array<std::uint8_t, kClsidBytes> ClsidBytes(const CLSID& clsid) {
    std::array<std::uint8_t, kClsidBytes> bytes{};
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(clsid.data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes[4 + i] = static_cast<std::uint8_t>(clsid.data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes[6 + i] = static_cast<std::uint8_t>(clsid.data3 >> (8 * i));
    std::memcpy(bytes.data() + 8, clsid.data4, 8);
    return bytes;
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

class MessageFilter final : public RefCounted<IMessageFilter> {
public:
    explicit MessageFilter(std::uint32_t delay) : delay_(delay) {}

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IMessageFilter) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    std::uint32_t HandleInComingCall(std::uint32_t, std::uintptr_t, std::uint32_t) override {
        return SERVERCALL_ISHANDLED;
    }
    std::uint32_t RetryRejectedCall(std::uintptr_t, std::uint32_t, std::uint32_t) override {
        return 0xFFFFFFFFu;  // cancel
    }
    std::uint32_t MessagePending(std::uintptr_t, std::uint32_t tickCount, std::uint32_t) override {
        // Past the delay the call counts as not responding: waiting messages are handled.
        return tickCount > delay_ ? PENDINGMSG_WAITDEFPROCESS : PENDINGMSG_WAITNOPROCESS;
    }

private:
    ~MessageFilter() override = default;
    std::uint32_t delay_;
};

}  // namespace

bool KeyboardHookInstalled() {
    return keyboardHook.hook != nullptr;
}

int KeyboardHookUsers() {
    return keyboardHook.users;
}

// ---------------------------------------------------------------------------------------
// Message filter

CNsxMessageFilter::CNsxMessageFilter(std::uint32_t notRespondingDelay)
    : delay_(notRespondingDelay) {
    filter_.Attach(static_cast<IMessageFilter*>(new MessageFilter(notRespondingDelay)));
    registered_ = Succeeded(CoRegisterMessageFilter(filter_.get(), previous_.Put()));
}

CNsxMessageFilter::~CNsxMessageFilter() {
    if (!registered_) return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_.get(), &ours);
    if (ours != nullptr) ours->Release();
}

// ---------------------------------------------------------------------------------------
// Control window

CNsxControlWnd::CNsxControlWnd() = default;

CNsxControlWnd::~CNsxControlWnd() {
    if (window_ != nullptr) ControlWindows().erase(window_);
    if (container_ != nullptr && site_ != nullptr) container_->RemoveControl(site_);
}

bool CNsxControlWnd::CreateControl(const CLSID& clsid, const char* windowName, std::uint32_t style,
                                   const Rect& rect, CNsxOcxPlugin* parent, int id, IStream* data,
                                   const CNsxParameters& parameters) {
    if (parent == nullptr || site_ != nullptr) return false;
    CNsxControlContainer* container = parent->GetControlContainer();
    if (container == nullptr) return false;
    if (!container->CreateControl(this, clsid, windowName, style, rect, id, data, parameters,
                                  &site_)) {
        site_ = nullptr;
        return false;
    }
    container_ = container;
    window_ = site_->window();
    ControlWindows()[window_] = this;
    return true;
}

bool CNsxControlWnd::PreTranslateMessage(const MSG& message) {
    if (site_ == nullptr || site_->activeObject() == nullptr) return false;
    const Message record{message.message, message.wParam, message.lParam};
    return site_->activeObject()->TranslateAccelerator(&record) == S_OK;
}

HWND CNsxControlWnd::GetSafeHwnd() const {
    return IsWindow(window_) ? window_ : nullptr;
}

CNsxControlWnd* CNsxControlWnd::FromHandle(HWND window) {
    const auto found = ControlWindows().find(window);
    return found != ControlWindows().end() ? found->second : nullptr;
}

// ---------------------------------------------------------------------------------------
// Instance

CNsxOcxPlugin::CNsxOcxPlugin() = default;

CNsxOcxPlugin::~CNsxOcxPlugin() {
    RemoveControl();
    container_.reset();
    GiveBackKeyboardHook();
}

bool CNsxOcxPlugin::OnAttribute(const char* name, const char* value) {
    if (CNsxActiveXPlugin::OnAttribute(name, value)) return true;
    if (name == nullptr) return false;
    if (value == nullptr) value = "";
    if (::strcasecmp(name, "param_controldata") == 0) {
        LoadControlData(value);
        return true;
    }
    if (::strcasecmp(name, "type") == 0) {
        hasType_ = 1;
        return true;
    }
    if (::strncasecmp(name, "param_", 6) == 0) {
        parameters_.names.emplace_back(name + 6);
        parameters_.values.emplace_back(value);
        return true;
    }
    return false;
}

NPError CNsxOcxPlugin::New(NPMIMEType mimeType, std::uint16_t mode, std::int16_t argc, char** argn,
                           char** argv, NPSavedData* saved) {
    const NPError result = CNsxActiveXPlugin::New(mimeType, mode, argc, argn, argv, saved);
    if (result != NPERR_NO_ERROR) return result;
    if (hidden()) {
        // Without a type the source stream is the control's state: the control waits for it.
        if (hasType_ == 0) loading_ = 1;
        AttachWindow(nullptr);
    }
    return NPERR_NO_ERROR;
}

bool CNsxOcxPlugin::AttachWindow(HWND window) {
    if (window != nullptr) {
        if (!hookTaken_) InstallKeyboardHook();
        hookTaken_ = true;
        subclassed_ = 1;
        CNsxActiveXPlugin::AttachWindow(window);
    } else {
        subclassed_ = 0;
        std::unique_ptr<Window> frame =
            Window::CreateTopLevel(Vector2<int>(0, 0), "PLUGIN CONTROL FRAME", "NsxControlFrame");
        if (frame) SetWindowStyle(frame->handle(), WS_CLIPCHILDREN);
        HoldWindow(std::move(frame));
        if (!hookTaken_) InstallKeyboardHook();
        hookTaken_ = true;
    }
    CreateControl();
    return true;
}

bool CNsxOcxPlugin::DetachWindow() {
    RemoveControl();
    container_.reset();
    if (window() == nullptr) {
        // The window went first: the hook this instance took is still given back.
        GiveBackKeyboardHook();
        return false;
    }
    GiveBackKeyboardHook();
    if (subclassed_ != 0) return UnsubclassWindow();
    // Letting go of the module's own window destroys it.
    UnsubclassWindow();
    return false;
}

NPError CNsxOcxPlugin::Destroy(NPSavedData** save) {
    RemoveControl();
    const NPError result = CNsxActiveXPlugin::Destroy(save);
    container_.reset();
    // Also when the window was gone before the browser destroyed the instance.
    GiveBackKeyboardHook();
    return result;
}

void CNsxOcxPlugin::GiveBackKeyboardHook() {
    if (!hookTaken_) return;
    hookTaken_ = false;
    RemoveKeyboardHook();
}

void CNsxOcxPlugin::InstallKeyboardHook() {
    ++keyboardHook.users;
    if (keyboardHook.hook != nullptr) return;
    const CNsxApp* app = GetPluginApp();
    const std::thread::id thread = app != nullptr && app->LoadingThread() != std::thread::id()
                                       ? app->LoadingThread()
                                       : std::this_thread::get_id();
    keyboardHook.hook = SetGetMessageHook(&KeyboardHookProc, thread);
}

void CNsxOcxPlugin::RemoveKeyboardHook() {
    if (keyboardHook.users <= 0) return;
    if (--keyboardHook.users == 0 && keyboardHook.hook != nullptr) {
        UnhookWindowsHookEx(keyboardHook.hook);
        keyboardHook.hook = nullptr;
    }
}

// ---------------------------------------------------------------------------------------
// Control data

void CNsxOcxPlugin::LoadControlData(const char* text) {
    if (text == nullptr) return;
    if (::strncasecmp(text, "DATA:", 5) == 0) {
        const char* comma = std::strchr(text, ',');
        if (comma == nullptr) return;
        text = comma + 1;
    }
    DiscardControlData();
    controlData_ = std::make_unique<std::vector<std::uint8_t>>();
    std::vector<std::uint8_t>& data = *controlData_;
    std::uint32_t bits = 0;
    int pending = 0;
    for (const char* at = text; *at != 0; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        if (c == '=') {
            if (pending == 2) data.push_back(static_cast<std::uint8_t>(bits >> 4));
            if (pending == 3) {
                data.push_back(static_cast<std::uint8_t>(bits >> 10));
                data.push_back(static_cast<std::uint8_t>(bits >> 2));
            }
            pending = 0;
            break;
        }
        const int value = Base64Value(c);
        if (value < 0) continue;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        if (++pending == 4) {
            data.push_back(static_cast<std::uint8_t>(bits >> 16));
            data.push_back(static_cast<std::uint8_t>(bits >> 8));
            data.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            pending = 0;
        }
        if (data.size() > kMaxControlData) break;
    }
    if (data.size() > kMaxControlData) {
        DebugOutput("Control data dropped: more than 16 MiB\n");
        DiscardControlData();
    }
}

void CNsxOcxPlugin::DiscardControlData() {
    controlData_.reset();
    loading_ = 0;
}

NPError CNsxOcxPlugin::NewStream(NPMIMEType, NPStream*, NPBool, std::uint16_t* stype) {
    DiscardControlData();
    controlData_ = std::make_unique<std::vector<std::uint8_t>>();
    loading_ = 1;
    RemoveControl();
    if (stype != nullptr) *stype = NP_NORMAL;
    return NPERR_NO_ERROR;
}

std::int32_t CNsxOcxPlugin::Write(NPStream*, std::int32_t, std::int32_t len, void* buffer) {
    if (controlData_ && loading_ != 0 && len > 0 && buffer != nullptr) {
        if (controlData_->size() + static_cast<std::size_t>(len) > kMaxControlData) {
            // The stream goes on to its end; the control then starts from its parameters.
            DebugOutput("Control data dropped: more than 16 MiB\n");
            controlData_.reset();
        } else {
            const auto* bytes = static_cast<const std::uint8_t*>(buffer);
            controlData_->insert(controlData_->end(), bytes, bytes + len);
        }
    }
    return len;
}

NPError CNsxOcxPlugin::DestroyStream(NPStream*, NPReason reason) {
    if (static_cast<std::uint16_t>(reason) != static_cast<std::uint16_t>(NPRES_DONE)) {
        DiscardControlData();
    }
    loading_ = 0;
    if (HasLiveWindow()) CreateControl();
    return NPERR_NO_ERROR;
}

// ---------------------------------------------------------------------------------------
// The control

CNsxControlContainer* CNsxOcxPlugin::GetControlContainer() {
    const HWND self = GetSafeHwnd();
    if (self == nullptr) return nullptr;
    if (container_ && container_->window() != self) container_.reset();
    if (!container_) container_ = GetOccManager().CreateContainer(self, GetEventSinkMap());
    return container_.get();
}

std::vector<platform::EventSinkEntry> CNsxOcxPlugin::GetEventSinkMap() {
    return {};
}

void CNsxOcxPlugin::RemoveControl() {
    controlWnd_.reset();
}

bool CNsxOcxPlugin::ControlAlive() const {
    return controlWnd_ && controlWnd_->GetSafeHwnd() != nullptr;
}

void CNsxOcxPlugin::CreateControl() {
    if (loading_ != 0) return;
    const CNsxMessageFilter filter(kNotRespondingDelay);
    RemoveControl();
    controlWnd_ = std::make_unique<CNsxControlWnd>();

    const CLSID& clsid = *GetControlClsid();
    ComPtr<IStream> data;
    if (controlData_) {
        const auto expected = ClsidBytes(clsid);
        if (controlData_->size() < kClsidBytes ||
            !std::equal(expected.begin(), expected.end(), controlData_->begin())) {
            DebugOutput("Control data dropped: not this control's\n");
            DiscardControlData();
        } else {
            data.Attach(static_cast<IStream*>(MemoryStream::Create(*controlData_)));
            data->Seek(static_cast<std::int64_t>(kClsidBytes), STREAM_SEEK_SET, nullptr);
        }
    }
    Rect rect;
    if (window() != nullptr) {
        const Vector2<int> size = window()->GetClientRect().GetSize();
        rect = Rect{0, 0, size.x, size.y};
    }
    GetOccManager();
    if (!controlWnd_->CreateControl(clsid, nullptr, kControlStyle, rect, this, kControlId,
                                    data.get(), parameters_)) {
        RemoveControl();
        return;
    }
    const HWND self = GetSafeHwnd();
    if (self != nullptr && GetFocus() == self) SetFocus(controlWnd_->GetSafeHwnd());
}

IUnknown* CNsxOcxPlugin::GetControlDispatch() {
    if (!controlWnd_ || controlWnd_->site() == nullptr) return nullptr;
    return controlWnd_->site()->GetControlObject();
}

void CNsxOcxPlugin::InvokeHelper(DISPID id, std::uint16_t flags, InvokeResult result,
                                 std::initializer_list<Variant> arguments) {
    if (!controlWnd_ || controlWnd_->site() == nullptr) return;
    try {
        controlWnd_->site()->InvokeHelper(id, flags, result, arguments);
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

void CNsxOcxPlugin::SetProperty(DISPID id, const Variant& value) {
    if (!controlWnd_ || controlWnd_->site() == nullptr) return;
    try {
        controlWnd_->site()->SetProperty(id, value);
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

void CNsxOcxPlugin::GetProperty(DISPID id, InvokeResult result) {
    InvokeHelper(id, DISPATCH_PROPERTYGET, result, {});
}

void CNsxOcxPlugin::OnPrintDraw(DrawContext& dc, const Rect& rect) {
    IUnknown* control = GetControlDispatch();
    if (control == nullptr) return;
    ComPtr<IViewObject> view;
    if (Failed(control->QueryInterface(IID_IViewObject, view.Out())) || !view) return;
    view->Draw(DVASPECT_CONTENT, 0, nullptr, nullptr, nullptr, &dc, &rect, &rect, nullptr, 0);
}

bool CNsxOcxPlugin::WindowProc(const Message& message) {
    const HWND self = GetSafeHwnd();
    switch (message.id) {
        case WM_SIZE:
            if (CNsxActiveXPlugin::WindowProc(message)) return true;
            if (ControlAlive()) {
                MoveWindow(controlWnd_->GetSafeHwnd(),
                           Rect{0, 0, LoWord(static_cast<std::uintptr_t>(message.lParam)),
                                HiWord(static_cast<std::uintptr_t>(message.lParam))},
                           true);
            }
            return false;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            const HWND parent = GetParent(self);
            if (parent == nullptr) return false;
            SetMessageResult(self, SendMessage(parent, WM_CTLCOLORSTATIC, message.wParam,
                                               reinterpret_cast<LPARAM>(self)));
            return true;
        }
        case WM_MOUSEACTIVATE: {
            if (!ControlAlive()) return false;
            auto top = reinterpret_cast<HWND>(message.wParam);
            SetActiveWindow(IsWindow(top) ? top : self);
            SetFocus(controlWnd_->GetSafeHwnd());
            SetMessageResult(self, MA_NOACTIVATE);
            return true;
        }
        case WM_SETFOCUS:
            if (!ControlAlive()) return CNsxActiveXPlugin::WindowProc(message);
            SetFocus(controlWnd_->GetSafeHwnd());
            return true;
        default:
            return CNsxActiveXPlugin::WindowProc(message);
    }
}
