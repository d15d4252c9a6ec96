#pragma once

#include <QPointer>

#include <memory>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/MemberTable.h"
#include "platform/com/OleControl.h"
#include "platform/com/Persist.h"
#include "viewer-control/ControlHost.h"
#include "viewer-control/ControlState.h"
#include "viewer-plugin/viewer/DispatchTable.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

class QWidget;

// The viewer control: one viewer engine behind the automation interface ILensObj, its
// events, in-place activation in a container window, drawing into a container's context and
// saved state. Made with no window and no thread; in-place activation makes both, Close ends
// them. GUI thread only.
class LensObj final
    : public platform::RefCounted<
          platform::IDispatch, platform::IOleObject, platform::IOleInPlaceObject,
          platform::IOleInPlaceActiveObject, platform::IOleControl, platform::IViewObject,
          platform::IQuickActivate, platform::IPersistStreamInit, platform::IPersistPropertyBag,
          platform::IProvideClassInfo2, platform::IConnectionPointContainer> {
public:
    using HRESULT = platform::HRESULT;

    // One reference, the caller's; null when memory runs out.
    static LensObj* Create();
    // Controls alive in this library.
    static int LiveCount();

    HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // IDispatch (ILensObj)
    HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    HRESULT GetTypeInfo(std::uint32_t index, platform::LCID lcid,
                        platform::ITypeInfo** info) override;
    HRESULT GetIDsOfNames(const platform::IID& riid, const platform::OLECHAR* const* names,
                          std::uint32_t count, platform::LCID lcid, platform::DISPID* ids) override;
    HRESULT Invoke(platform::DISPID id, const platform::IID& riid, platform::LCID lcid,
                   std::uint16_t flags, platform::DISPPARAMS* params, platform::VARIANT* result,
                   platform::EXCEPINFO* exception, std::uint32_t* argError) override;

    // IOleObject
    HRESULT SetClientSite(platform::IOleClientSite* site) override;
    HRESULT GetClientSite(platform::IOleClientSite** site) override;
    HRESULT Close(std::uint32_t saveOption) override;
    HRESULT DoVerb(std::int32_t verb, const platform::Message* message,
                   platform::IOleClientSite* activeSite, std::int32_t index, platform::HWND parent,
                   const Rect* position) override;
    HRESULT GetUserClassID(platform::CLSID* clsid) override;
    HRESULT SetExtent(std::uint32_t aspect, const platform::SIZEL* size) override;
    HRESULT GetExtent(std::uint32_t aspect, platform::SIZEL* size) override;
    HRESULT GetMiscStatus(std::uint32_t aspect, std::uint32_t* status) override;

    // IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT GetWindow(platform::HWND* window) override;
    HRESULT InPlaceDeactivate() override;
    HRESULT UIDeactivate() override { return platform::S_OK; }
    HRESULT SetObjectRects(const Rect* position, const Rect* clip) override;
    HRESULT TranslateAccelerator(const platform::Message* message) override;
    HRESULT OnFrameWindowActivate(bool) override { return platform::S_OK; }
    HRESULT OnDocWindowActivate(bool) override { return platform::S_OK; }
    HRESULT EnableModeless(bool) override { return platform::S_OK; }

    // IOleControl
    HRESULT GetControlInfo(platform::CONTROLINFO* info) override;
    HRESULT OnMnemonic(const platform::Message*) override { return platform::S_OK; }
    HRESULT OnAmbientPropertyChange(platform::DISPID) override { return platform::S_OK; }
    HRESULT FreezeEvents(bool) override { return platform::S_OK; }

    // IViewObject
    HRESULT Draw(std::uint32_t aspect, std::int32_t index, void* aspectData,
                 const void* targetDevice, platform::HDC targetDc, platform::HDC dc,
                 const Rect* bounds, const Rect* windowBounds,
                 bool (*shouldContinue)(std::uintptr_t), std::uintptr_t continueArgument) override;

    // IQuickActivate
    HRESULT QuickActivate(platform::QACONTAINER* container, platform::QACONTROL* control) override;
    HRESULT SetContentExtent(const platform::SIZEL* size) override;
    HRESULT GetContentExtent(platform::SIZEL* size) override;

    // IPersistStreamInit, IPersistPropertyBag
    HRESULT GetClassID(platform::CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(platform::IStream* stream) override;
    HRESULT Save(platform::IStream* stream, bool clearDirty) override;
    HRESULT GetSizeMax(std::uint64_t* size) override;
    HRESULT InitNew() override;
    HRESULT Load(platform::IPropertyBag* bag, platform::IErrorLog* errorLog) override;
    HRESULT Save(platform::IPropertyBag* bag, bool clearDirty, bool saveAllProperties) override;

    // IProvideClassInfo2
    HRESULT GetClassInfo(platform::ITypeInfo** info) override;
    HRESULT GetGUID(std::uint32_t kind, platform::GUID* guid) override;

    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const platform::IID& iid,
                                platform::IConnectionPoint** point) override;

private:
    LensObj();
    ~LensObj() override;

    // The state the stream and the bag carry, read through the members.
    ControlState CurrentState();
    // A call the member table has checked: `arguments` are of the member's types.
    HRESULT Call(const platform::Member& member, const std::vector<platform::Variant>& arguments,
                 platform::Variant& out);
    // Puts or gets a value through the member of that id, as a script would.
    HRESULT PutProperty(platform::DISPID id, const platform::VARIANT& value);
    HRESULT GetProperty(platform::DISPID id, platform::Variant& value);
    // Creates the window in the site's window at its rectangle and attaches the engine.
    HRESULT ActivateInPlace(platform::IOleClientSite* activeSite);
    // Detaches the engine (its pacing thread ends there) and destroys the window.
    void DestroyWindow();
    // Asks for a paint of the window, which draws through the engine.
    void Repaint();

    class Point {
    public:
        Point(LensObj* owner, const platform::IID& iid);
        ~Point();
        platform::ConnectionPoint* get() const { return point_; }

    private:
        platform::ConnectionPoint* point_;
    };

    std::unique_ptr<CVanteloPlugin> viewer_;
    Point events_{this, scripting::DIID__ILensObjEvents};
    Point notify_{this, platform::IID_IPropertyNotifySink};
    ControlHost host_{static_cast<platform::IDispatch*>(this), events_.get(), notify_.get(),
                      [this] { Repaint(); }};
    platform::ComPtr<platform::IOleClientSite> site_;
    QPointer<QWidget> window_;
    platform::SIZEL extent_;
    platform::OLE_COLOR backColor_ = 0x80000005;  // the system's window colour
    bool dirty_ = false;
};
