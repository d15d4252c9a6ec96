// The control inside a container: its site, its window in the container's window, keys the
// container hands over, drawing into the container's context and quick activation.
#include <QWidget>

#include <exception>

#include "platform/window/DrawContext.h"
#include "viewer-control/LensObj.h"

using namespace platform;

namespace {

constexpr std::uint32_t kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                      OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                      OLEMISC_SETCLIENTSITEFIRST;

void Place(QWidget& window, const Rect& rect) {
    const Vector2<int> size = rect.GetSize();
    window.setGeometry(rect.left, rect.top, size.x, size.y);
}

}  // namespace

HRESULT LensObj::SetClientSite(IOleClientSite* site) {
    site_.Share(site);
    return S_OK;
}

HRESULT LensObj::GetClientSite(IOleClientSite** site) {
    if (site == nullptr) return E_POINTER;
    *site = site_.get();
    if (*site != nullptr) (*site)->AddRef();
    return S_OK;
}

HRESULT LensObj::Close(std::uint32_t) {
    return InPlaceDeactivate();
}

HRESULT LensObj::DoVerb(std::int32_t verb, const Message*, IOleClientSite* activeSite, std::int32_t,
                        HWND, const Rect*) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
        case OLEIVERB_INPLACEACTIVATE:
            try {
                return ActivateInPlace(activeSite != nullptr ? activeSite : site_.get());
            } catch (const std::exception&) {
                DestroyWindow();
                return E_OUTOFMEMORY;
            }
        case OLEIVERB_HIDE:
            if (window_) window_->hide();
            return S_OK;
        default:
            return OLEOBJ_E_INVALIDVERB;
    }
}

HRESULT LensObj::ActivateInPlace(IOleClientSite* activeSite) {
    if (window_) {
        window_->show();
        return S_OK;
    }
    if (activeSite == nullptr) return E_UNEXPECTED;
    ComPtr<IOleClientSite> held;
    held.Share(activeSite);
    ComPtr<IOleInPlaceSite> inPlace;
    if (!held.QueryTo(IID_IOleInPlaceSite, inPlace)) return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    HWND parent = nullptr;
    Rect rect;
    Rect clip;
    if (Failed(inPlace->GetWindow(&parent)) || parent == nullptr ||
        Failed(inPlace->GetWindowContext(&rect, &clip))) {
        return E_FAIL;
    }
    inPlace->OnInPlaceActivate();
    window_ = new QWidget(parent);
    window_->setObjectName("LensObj");
    window_->setFocusPolicy(Qt::StrongFocus);
    Place(*window_, rect);
    window_->show();
    // The engine holds the window and decides where each of its messages goes.
    viewer_->AttachWindow(window_);
    return S_OK;
}

void LensObj::Repaint() {
    if (Window* hold = viewer_->GetWindow()) hold->Invalidate();
}

void LensObj::DestroyWindow() {
    if (!window_ && viewer_->GetWindow() == nullptr) return;
    // The engine stops its pacing thread and lets go of the window before it goes.
    viewer_->OnDestroyWindow();
    delete window_.data();
    window_ = nullptr;
}

HRESULT LensObj::InPlaceDeactivate() {
    if (!window_ && viewer_->GetWindow() == nullptr) return S_OK;
    DestroyWindow();
    ComPtr<IOleInPlaceSite> inPlace;
    if (site_.QueryTo(IID_IOleInPlaceSite, inPlace)) inPlace->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT LensObj::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

HRESULT LensObj::SetExtent(std::uint32_t aspect, const SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

HRESULT LensObj::GetExtent(std::uint32_t aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT LensObj::GetMiscStatus(std::uint32_t, std::uint32_t* status) {
    if (status == nullptr) return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

HRESULT LensObj::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = window_.data();
    return window_ ? S_OK : E_FAIL;
}

HRESULT LensObj::SetObjectRects(const Rect* position, const Rect*) {
    if (position == nullptr) return E_POINTER;
    if (window_) Place(*window_, *position);
    return S_OK;
}

HRESULT LensObj::TranslateAccelerator(const Message* message) {
    if (message == nullptr || message->id != WM_KEYDOWN || !window_) return S_FALSE;
    return viewer_->OnKeyDown(static_cast<int>(message->wParam), message->lParam) ? S_OK : S_FALSE;
}

HRESULT LensObj::Draw(std::uint32_t aspect, std::int32_t, void*, const void*, HDC, HDC dc,
                      const Rect* bounds, const Rect*, bool (*)(std::uintptr_t), std::uintptr_t) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
    ATL_DRAWINFO info;
    info.hdcDraw = dc;
    info.prcBounds = *bounds;
    return viewer_->RenderToDC(info);
}

HRESULT LensObj::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (container == nullptr || control == nullptr) return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) {
        return E_INVALIDARG;
    }
    SetClientSite(container->pClientSite);
    control->dwMiscStatus = kMiscStatus;
    control->dwViewStatus = 0;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    // A sink that cannot take the events is the container's business: it hears none.
    if (container->pUnkEventSink != nullptr) {
        events_.get()->Advise(container->pUnkEventSink, &control->dwEventCookie);
    }
    if (container->pPropertyNotifySink != nullptr) {
        notify_.get()->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    }
    return S_OK;
}

HRESULT LensObj::SetContentExtent(const SIZEL* size) {
    return SetExtent(DVASPECT_CONTENT, size);
}

HRESULT LensObj::GetContentExtent(SIZEL* size) {
    return GetExtent(DVASPECT_CONTENT, size);
}
