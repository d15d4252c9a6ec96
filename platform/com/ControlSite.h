#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "geometry/Geometry.h"
#include "platform/com/InvokeHelper.h"
#include "platform/com/OleControl.h"

namespace platform {

class ControlContainer;
namespace com_detail {
class SiteFaces;
class EventSink;
}  // namespace com_detail

// A font as a container hands it to a control: its face name and its size in points (as
// currency, ten-thousandths of a point).
constexpr IID IID_IFont{
    0xBEF6E002, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
class IFont : public IUnknown {
public:
    virtual HRESULT get_Name(BSTR* name) = 0;
    virtual HRESULT get_Size(CY* size) = 0;
};
// A font object of that face and size, for a container's font ambient (VT_UNKNOWN).
ComPtr<IFont> CreateFontObject(std::string_view name, double points);

// Where one control lives in a container window: the site creates the control, answers it
// as its client site, in-place site and control site, hands it the container's ambient
// properties, receives its events for the container's event sink map and its property
// notifications, and drives it through its IDispatch. Sites that create controls their own
// way replace CreateControl and CreateOrLoad and build on the protected steps.
//
// GUI thread only. The site's own COM objects outlive it when a control keeps a reference
// too long: they then answer E_UNEXPECTED and reach nothing.
class ControlSite {
public:
    explicit ControlSite(ControlContainer& container);
    // Destroy.
    virtual ~ControlSite();
    ControlSite(const ControlSite&) = delete;
    ControlSite& operator=(const ControlSite&) = delete;

    // Creates the control of class `clsid` (CreateOrLoad), connects its sinks, gives it its
    // extent and activates it in place at `rect` of the container window. A failure at any
    // step releases all the site took and is returned.
    virtual HRESULT CreateControl(const CLSID& clsid, const Rect& rect, int id,
                                  IStream* state = nullptr);
    // Creates the object and initialises it: quick activation when the control offers it,
    // then its saved state from `state` or a new one. S_FALSE after quick activation.
    virtual HRESULT CreateOrLoad(const CLSID& clsid, IStream* state);
    // Deactivates and closes the control, disconnects the sinks and lets go of it.
    void Destroy();

    // Late-bound calls on the control (see platform::InvokeHelper); they throw only
    // DispatchError or OleError, the latter also when there is no control.
    void InvokeHelper(DISPID id, std::uint16_t flags, InvokeResult result,
                      std::initializer_list<Variant> arguments);
    void SetProperty(DISPID id, const Variant& value);
    void GetProperty(DISPID id, InvokeResult result);

    // Moves the control within the container window.
    void MoveSite(const Rect& rect);

    ControlContainer& container() const { return container_; }
    int id() const { return id_; }
    const Rect& rect() const { return rect_; }
    // The control's window; null before creation and after Destroy.
    HWND window() const { return window_; }
    IOleObject* GetControlObject() const { return object_.get(); }
    // The control while it is active in place, for its keyboard handling; may be null.
    IOleInPlaceActiveObject* activeObject() const { return active_.get(); }
    const CONTROLINFO& controlInfo() const { return controlInfo_; }
    std::uint32_t miscStatus() const { return miscStatus_; }

protected:
    // Where the control goes, before it is created.
    void SetPlacement(int id, const Rect& rect) {
        id_ = id;
        rect_ = rect;
    }
    // Gives the created control its extent and activates it in place at the rectangle;
    // then its window, its active object and its control info are the site's. A control
    // without a window fails here: the container keeps controls by their windows. An
    // invisible control is activated far off the window and hidden before it is put back
    // at its rectangle, so it never shows.
    HRESULT Activate(bool visible = true);
    // CoGetClassObject, then the factory's object as IOleObject; its IDispatch and the IID
    // of its default event interface are kept when it has them.
    HRESULT CreateObject(const CLSID& clsid);
    // Quick activation with `bindHost` in the container record; E_NOINTERFACE when the
    // control has none. On success the site is the control's and the control has advised
    // the sinks.
    HRESULT QuickActivate(IUnknown* bindHost = nullptr);
    // Hands the control its client site, once.
    HRESULT HandOverSite();
    // Advises the event sink to the default event interface and the property-notify sink;
    // a control without either stays without.
    void ConnectSinks();
    // Advises the data-binding sink where the control offers it.
    void ConnectDataSink();
    // All three sinks.
    void DisconnectSinks();
    // Lets go of everything the site took from or gave to the control: what a failed step
    // and Destroy do.
    void ReleaseControl();
    // Another interface the site's COM identity answers (asked after its own).
    virtual HRESULT QuerySiteInterface(const IID& iid, void** object);

    IOleClientSite* clientSite() const;
    IPropertyNotifySink* notifySink() const;
    IUnknown* eventSink() const;
    bool quickActivated() const { return quickActivated_; }
    void setMiscStatus(std::uint32_t status) { miscStatus_ = status; }
    IOleInPlaceObject* inPlaceObject() const { return inPlace_.get(); }

private:
    friend class com_detail::SiteFaces;
    friend class com_detail::EventSink;

    void ReadControlInfo();

    HRESULT OnEvent(DISPID id, DISPPARAMS* params, std::uint32_t* argError);
    HRESULT Unadvise(const IID& iid, std::uint32_t& cookie);

    ControlContainer& container_;
    ComPtr<com_detail::SiteFaces> faces_;
    ComPtr<com_detail::EventSink> events_;
    ComPtr<IOleObject> object_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IOleInPlaceActiveObject> active_;
    CONTROLINFO controlInfo_;
    IID eventIid_ = IID_NULL;
    std::uint32_t eventCookie_ = 0;
    std::uint32_t notifyCookie_ = 0;
    std::uint32_t dataCookie_ = 0;
    std::uint32_t miscStatus_ = 0;
    bool quickActivated_ = false;
    bool siteHandedOver_ = false;
    int id_ = 0;
    Rect rect_;
    HWND window_ = nullptr;
};

}  // namespace platform
