#include "viewer-control/ControlHost.h"

#include "platform/window/TaskPost.h"
#include "viewer-plugin/viewer/DispatchTable.h"

using namespace platform;
using scripting::Event;

// Holds the owner while a sink has the call. When the sink let go of everything else, the
// last reference goes once the event loop is back, after the engine's own frames.
class ControlHost::Callout {
public:
    explicit Callout(IUnknown* owner) : owner_(owner) {
        if (owner_ != nullptr) owner_->AddRef();
    }
    ~Callout() {
        if (owner_ == nullptr) return;
        // Counting this hold and the probe: more means someone else still holds the owner.
        if (owner_->AddRef() > 2) {
            owner_->Release();
            owner_->Release();
            return;
        }
        owner_->Release();
        PostTask([owner = owner_] { owner->Release(); });
    }
    Callout(const Callout&) = delete;
    Callout& operator=(const Callout&) = delete;

private:
    IUnknown* owner_;
};

void ControlHost::Fire(Event event, std::initializer_list<Variant> arguments) {
    if (const std::optional<int> id = scripting::EventDispid(event)) {
        const Callout hold(owner_);
        events_->FireEvent(*id, arguments);
    }
}

HRESULT ControlHost::FireOnRequestEdit(int dispid) {
    return TryFireOnRequestEdit(dispid);
}

HRESULT ControlHost::GetZoomInfo(ZoomInfo* info) {
    if (info == nullptr) return E_POINTER;
    *info = ZoomInfo{};
    return S_OK;
}

// Every sink is asked; the engine goes on whatever they answer, so the answer is only told.
HRESULT ControlHost::TryFireOnRequestEdit(int dispid) {
    HRESULT answer = S_OK;
    const Callout hold(owner_);
    notify_->ForEachSink<IPropertyNotifySink>([&](IPropertyNotifySink* sink) {
        if (sink->OnRequestEdit(dispid) != S_OK) answer = S_FALSE;
    });
    return answer;
}

HRESULT ControlHost::SendOnDataChange(int) {
    // No container here takes data-change advice.
    return S_OK;
}

HRESULT ControlHost::Invalidate() {
    if (repaint_) repaint_();
    return S_OK;
}

HRESULT ControlHost::ChangedPos(float x, float y, float z) {
    Fire(Event::ChangedPos, {Variant::R4(x), Variant::R4(y), Variant::R4(z)});
    return S_OK;
}

HRESULT ControlHost::ZoomedToGoal() {
    Fire(Event::ZoomedToGoal, {});
    return S_OK;
}

HRESULT ControlHost::OnLoad() {
    Fire(Event::OnLoad, {});
    return S_OK;
}

HRESULT ControlHost::OnTime() {
    Fire(Event::OnTime, {});
    return S_OK;
}

HRESULT ControlHost::OnCursor(short button, short posX, short posY) {
    Fire(Event::OnCursor, {Variant::I2(button), Variant::I2(posX), Variant::I2(posY)});
    return S_OK;
}

HRESULT ControlHost::OnChangeMode(short mode, short width, short heigth) {
    Fire(Event::OnChangeMode, {Variant::I2(mode), Variant::I2(width), Variant::I2(heigth)});
    return S_OK;
}
