#include "viewer-control/LensObj.h"

#include <atomic>
#include <exception>

using namespace platform;

namespace {

std::atomic<int> gLive{0};

}  // namespace

LensObj::Point::Point(LensObj* owner, const IID& iid)
    : point_(ConnectionPoint::Create(static_cast<IConnectionPointContainer*>(owner), iid)) {}

LensObj::Point::~Point() {
    if (point_ == nullptr) return;
    point_->Detach();
    point_->Release();
}

LensObj* LensObj::Create() {
    LensObj* control = nullptr;
    try {
        control = new LensObj();
    } catch (const std::exception&) {
        return nullptr;
    }
    if (control->events_.get() == nullptr || control->notify_.get() == nullptr) {
        control->Release();
        return nullptr;
    }
    return control;
}

int LensObj::LiveCount() {
    return gLive;
}

LensObj::LensObj() : viewer_(std::make_unique<CVanteloPlugin>()) {
    viewer_->SetHostInterface(&host_);
    ++gLive;
}

LensObj::~LensObj() {
    host_.ForgetOwner();
    DestroyWindow();
    // The engine goes before the sinks it reports to.
    viewer_->SetHostInterface(nullptr);
    viewer_.reset();
    --gLive;
}

HRESULT LensObj::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == scripting::IID_ILensObj) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IOleObject) {
        *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IOleInPlaceActiveObject) {
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IOleControl) {
        *object = static_cast<IOleControl*>(this);
    } else if (iid == IID_IViewObject) {
        *object = static_cast<IViewObject*>(this);
    } else if (iid == IID_IQuickActivate) {
        *object = static_cast<IQuickActivate*>(this);
    } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
        *object = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IPersistPropertyBag) {
        *object = static_cast<IPersistPropertyBag*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *object = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT LensObj::GetControlInfo(CONTROLINFO* info) {
    if (info == nullptr) return E_POINTER;
    // The viewer's keys reach it through TranslateAccelerator, not an accelerator table.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT LensObj::GetClassInfo(ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT LensObj::GetGUID(std::uint32_t kind, GUID* guid) {
    if (guid == nullptr) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = scripting::DIID__ILensObjEvents;
    return S_OK;
}

HRESULT LensObj::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    ConnectionPoint* found = iid == scripting::DIID__ILensObjEvents ? events_.get()
                             : iid == IID_IPropertyNotifySink       ? notify_.get()
                                                                    : nullptr;
    if (found == nullptr) return CONNECT_E_NOCONNECTION;
    found->AddRef();
    *point = found;
    return S_OK;
}
