#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "platform/com/ConnectionPoint.h"
#include "viewer-plugin/CustomPluginInterface.h"

namespace scripting {
enum class Event : std::uint8_t;
}

// What the engine inside the control reaches its container through: script events go to
// every sink of the event interface, edit requests and change notices to the property-notify
// sinks, repaints to the control's window.
class ControlHost final : public CCustomPluginInterface {
public:
    ControlHost(platform::ConnectionPoint* events, platform::ConnectionPoint* notify,
                std::function<void()> repaint)
        : events_(events), notify_(notify), repaint_(std::move(repaint)) {}

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
    void Fire(scripting::Event event, std::initializer_list<platform::Variant> arguments);

    platform::ConnectionPoint* events_;  // the control's, which outlive this
    platform::ConnectionPoint* notify_;
    std::function<void()> repaint_;
};
