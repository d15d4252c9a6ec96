#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/com/ControlSite.h"

namespace platform {

// One row of an owner's event sink map: when the control with `controlId` fires `dispid`,
// `handler` gets the event's arguments in their natural order, each of its listed type.
struct EventSinkEntry {
    int controlId = 0;
    DISPID dispid = 0;
    std::vector<VARTYPE> argumentTypes;
    std::function<void(const std::vector<Variant>& arguments)> handler;
};

// The controls of one container window, by their windows. The container answers the
// ambient properties of its sites and holds its owner's event sink map. Owners with sites
// of their own make them in CreateSite.
class ControlContainer {
public:
    explicit ControlContainer(HWND window, std::vector<EventSinkEntry> eventSinkMap = {});
    // Destroys every control.
    virtual ~ControlContainer();
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    HWND window() const { return window_; }
    const std::vector<EventSinkEntry>& eventSinkMap() const { return eventSinkMap_; }

    // A new site with its control created at `rect`; null when creation failed (nothing is
    // kept then).
    ControlSite* CreateControl(const CLSID& clsid, const Rect& rect, int id,
                               IStream* state = nullptr);
    ControlSite* FindSite(HWND controlWindow) const;
    // Destroys the control and forgets its site.
    void RemoveControl(ControlSite* site);

    // An ambient property's value; false for one the container does not answer.
    virtual bool GetAmbientProperty(DISPID id, VARIANT* value) const;

protected:
    virtual std::unique_ptr<ControlSite> CreateSite();
    // Keeps a site whose control exists, under its control's window; null (and the site
    // destroyed) when it has no window.
    ControlSite* AddSite(std::unique_ptr<ControlSite> site);

private:
    HWND window_;
    std::vector<EventSinkEntry> eventSinkMap_;
    std::map<HWND, std::unique_ptr<ControlSite>> sites_;
};

}  // namespace platform
