#pragma once

#include <cstdint>

#include "geometry/Geometry.h"
#include "platform/com/Connection.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Persist.h"
#include "platform/wintypes/Handles.h"
#include "platform/wintypes/Messages.h"

namespace platform {

// Embedding a control in a container window: the control's object, its in-place window and
// the site through which it reaches the container. Windows and device contexts are only
// handed on here, as handles.

using OLE_COLOR = std::uint32_t;

// Sizes in hundredths of a millimetre.
struct SIZEL {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

constexpr std::int32_t OLEIVERB_PRIMARY = 0;
constexpr std::int32_t OLEIVERB_SHOW = -1;
constexpr std::int32_t OLEIVERB_HIDE = -3;
constexpr std::int32_t OLEIVERB_UIACTIVATE = -4;
constexpr std::int32_t OLEIVERB_INPLACEACTIVATE = -5;

constexpr std::uint32_t OLECLOSE_SAVEIFDIRTY = 0;
constexpr std::uint32_t OLECLOSE_NOSAVE = 1;

constexpr std::uint32_t DVASPECT_CONTENT = 1;

constexpr std::uint32_t OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr std::uint32_t OLEMISC_CANTLINKINSIDE = 0x10;
constexpr std::uint32_t OLEMISC_INSIDEOUT = 0x80;
constexpr std::uint32_t OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr std::uint32_t OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr std::uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;
constexpr std::uint32_t OLEMISC_ACTSLIKEBUTTON = 0x1000;

// Ambient flags of the quick-activation container record.
constexpr std::uint32_t QACONTAINER_SHOWHATCHING = 0x01;
constexpr std::uint32_t QACONTAINER_SHOWGRABHANDLES = 0x02;
constexpr std::uint32_t QACONTAINER_USERMODE = 0x04;
constexpr std::uint32_t QACONTAINER_DISPLAYASDEFAULT = 0x08;
constexpr std::uint32_t QACONTAINER_UIDEAD = 0x10;
constexpr std::uint32_t QACONTAINER_AUTOCLIP = 0x20;
constexpr std::uint32_t QACONTAINER_MESSAGEREFLECT = 0x40;
constexpr std::uint32_t QACONTAINER_SUPPORTSMNEMONICS = 0x80;

constexpr HRESULT OLE_E_NOTRUNNING = static_cast<HRESULT>(0x80040005u);
constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006Bu);
constexpr HRESULT OLEOBJ_E_INVALIDVERB = static_cast<HRESULT>(0x80040181u);

constexpr IID IID_IOleObject = PlatformIid(0x0030);
constexpr IID IID_IOleClientSite = PlatformIid(0x0031);
constexpr IID IID_IOleWindow = PlatformIid(0x0032);
constexpr IID IID_IOleInPlaceSite = PlatformIid(0x0033);
constexpr IID IID_IOleInPlaceObject = PlatformIid(0x0034);
constexpr IID IID_IOleInPlaceActiveObject = PlatformIid(0x0035);
constexpr IID IID_IOleControl = PlatformIid(0x0036);
constexpr IID IID_IOleControlSite = PlatformIid(0x0037);
constexpr IID IID_IViewObject{
    0x0000010D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Data-binding notices a site may take from a bound control.
constexpr IID IID_INotifyDBEvents{
    0xDB526CC0, 0xD188, 0x11CD, {0xAD, 0x48, 0x00, 0xAA, 0x00, 0x3C, 0x9C, 0xB6}};
constexpr IID IID_IQuickActivate{
    0xCF51ED10, 0x62FE, 0x11CF, {0xBF, 0x86, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0x36}};

class IOleClientSite : public IUnknown {
public:
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(bool showing) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;
};

class IOleWindow : public IUnknown {
public:
    virtual HRESULT GetWindow(HWND* window) = 0;
};

class IOleInPlaceSite : public IOleWindow {
public:
    // S_OK when the control may activate in place now.
    virtual HRESULT CanInPlaceActivate() = 0;
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    // The control's rectangle and its clip rectangle, in the container window's client
    // coordinates.
    virtual HRESULT GetWindowContext(Rect* position, Rect* clip) = 0;
    virtual HRESULT OnUIDeactivate(bool undoable) = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
    virtual HRESULT OnPosRectChange(const Rect* position) = 0;
};

class IOleObject : public IUnknown {
public:
    // Null lets go of the site.
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT Close(std::uint32_t saveOption) = 0;
    // `parent` is the container window, `position` the rectangle in its client area.
    virtual HRESULT DoVerb(std::int32_t verb, const Message* message, IOleClientSite* activeSite,
                           std::int32_t index, HWND parent, const Rect* position) = 0;
    virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
    virtual HRESULT SetExtent(std::uint32_t aspect, const SIZEL* size) = 0;
    virtual HRESULT GetExtent(std::uint32_t aspect, SIZEL* size) = 0;
    virtual HRESULT GetMiscStatus(std::uint32_t aspect, std::uint32_t* status) = 0;
};

class IOleInPlaceObject : public IOleWindow {
public:
    virtual HRESULT InPlaceDeactivate() = 0;
    virtual HRESULT UIDeactivate() = 0;
    virtual HRESULT SetObjectRects(const Rect* position, const Rect* clip) = 0;
};

class IOleInPlaceActiveObject : public IOleWindow {
public:
    // S_OK when the control used the key message, so the container must not.
    virtual HRESULT TranslateAccelerator(const Message* message) = 0;
    virtual HRESULT OnFrameWindowActivate(bool active) = 0;
    virtual HRESULT OnDocWindowActivate(bool active) = 0;
    virtual HRESULT EnableModeless(bool enable) = 0;
};

struct CONTROLINFO {
    std::uint32_t cb = sizeof(CONTROLINFO);
    void* hAccel = nullptr;
    std::uint16_t cAccel = 0;
    std::uint32_t dwFlags = 0;
};

class IOleControl : public IUnknown {
public:
    virtual HRESULT GetControlInfo(CONTROLINFO* info) = 0;
    virtual HRESULT OnMnemonic(const Message* message) = 0;
    virtual HRESULT OnAmbientPropertyChange(DISPID id) = 0;
    virtual HRESULT FreezeEvents(bool freeze) = 0;
};

class IOleControlSite : public IUnknown {
public:
    virtual HRESULT OnControlInfoChanged() = 0;
    virtual HRESULT LockInPlaceActive(bool lock) = 0;
    virtual HRESULT GetExtendedControl(IDispatch** control) = 0;
    virtual HRESULT TranslateAccelerator(const Message* message, std::uint32_t modifiers) = 0;
    virtual HRESULT OnFocus(bool gotFocus) = 0;
    virtual HRESULT ShowPropertyFrame() = 0;
};

class IViewObject : public IUnknown {
public:
    // Draws the control into `dc` within `bounds`. The continue callback, when given, is
    // asked now and then whether to go on.
    virtual HRESULT Draw(std::uint32_t aspect, std::int32_t index, void* aspectData,
                         const void* targetDevice, HDC targetDc, HDC dc, const Rect* bounds,
                         const Rect* windowBounds, bool (*shouldContinue)(std::uintptr_t),
                         std::uintptr_t continueArgument) = 0;
};

// The reasons are the control's (an array of `count` records); a site that does no data
// binding lets everything happen.
class INotifyDBEvents : public IUnknown {
public:
    virtual HRESULT OKToDo(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT Cancelled(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT SyncBefore(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT AboutToDo(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT FailedToDo(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT SyncAfter(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
    virtual HRESULT DidEvent(std::uint32_t event, std::uint32_t count, void* reasons) = 0;
};

// What a container hands a control in one call instead of many. cbSize is the size of the
// record as the caller built it.
struct QACONTAINER {
    std::uint32_t cbSize = sizeof(QACONTAINER);
    IOleClientSite* pClientSite = nullptr;
    IUnknown* pAdviseSink = nullptr;
    IPropertyNotifySink* pPropertyNotifySink = nullptr;
    IUnknown* pUnkEventSink = nullptr;
    std::uint32_t dwAmbientFlags = 0;
    OLE_COLOR colorFore = 0;
    OLE_COLOR colorBack = 0;
    IUnknown* pFont = nullptr;
    IUnknown* pUndoMgr = nullptr;
    std::uint32_t dwAppearance = 0;
    std::int32_t lcid = 0;
    void* hpal = nullptr;
    IUnknown* pBindHost = nullptr;
    IOleControlSite* pOleControlSite = nullptr;
    IUnknown* pServiceProvider = nullptr;
};

// What the control answers: its status and the cookies of the sinks it advised itself.
struct QACONTROL {
    std::uint32_t cbSize = sizeof(QACONTROL);
    std::uint32_t dwMiscStatus = 0;
    std::uint32_t dwViewStatus = 0;
    std::uint32_t dwEventCookie = 0;
    std::uint32_t dwPropNotifyCookie = 0;
    std::uint32_t dwPointerActivationPolicy = 0;
};

class IQuickActivate : public IUnknown {
public:
    virtual HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) = 0;
    virtual HRESULT SetContentExtent(const SIZEL* size) = 0;
    virtual HRESULT GetContentExtent(SIZEL* size) = 0;
};

}  // namespace platform
