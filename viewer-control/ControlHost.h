#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "platform/com/ConnectionPoint.h"
#include "viewer-plugin/viewer/CustomPluginInterface.h"

namespace scripting {
enum class Event : std::uint8_t;
}

// What the engine inside the control reaches its container through: script events go to
// every sink of the event interface, edit requests and change notices to the property-notify
// sinks, repaints to the control's window. A sink may let go of the control while it is told
// something; the control then outlives the call until the event loop is back, since the engine
// that called out is still on the stack.
class ControlHost final : public CCustomPluginInterface {
public:
    ControlHost(platform::IUnknown* owner, platform::ConnectionPoint* events,
                platform::ConnectionPoint* notify, std::function<void()> repaint)
        : owner_(owner), events_(events), notify_(notify), repaint_(std::move(repaint)) {}

    // The owner is going: what the engine says as it ends must not hold it again.
    void ForgetOwner() { owner_ = nullptr; }

    HRESULT FireOnRequestEdit(int dispid) override;
    HRESULT GetZoomInfo(ZoomInfo* info) override;
    HRESULT TryFireOnRequestEdit(int dispid) override;
    HRESULT SendOnDataChange(int arg) override;
    HRESULT Invalidate() override;
    HRESULT ChangedPos(float x, float y, float z) override;
    HRESULT ZoomedToGoal() override;
    HRESULT OnLoad() override;
    HRESULT OnTime() override;
    HRESULT OnCursor(short button, short posX, short posY) override;
    HRESULT OnChangeMode(short mode, short width, short heigth) override;

private:
    class Callout;

    void Fire(scripting::Event event, std::initializer_list<platform::Variant> arguments);

    platform::IUnknown* owner_;          // the control, held only while calling out
    platform::ConnectionPoint* events_;  // the control's, which outlive this
    platform::ConnectionPoint* notify_;
    std::function<void()> repaint_;
};
