#include "platform/com/ControlContainer.h"

#include "platform/com/Ambient.h"

namespace platform {

ControlContainer::ControlContainer(HWND window, std::vector<EventSinkEntry> eventSinkMap)
    : window_(window), eventSinkMap_(std::move(eventSinkMap)) {}

ControlContainer::~ControlContainer() {
    // Sites go one by one, so a control closing can still reach the others' container.
    while (!sites_.empty()) {
        auto node = sites_.extract(sites_.begin());
        node.mapped()->Destroy();
    }
}

std::unique_ptr<ControlSite> ControlContainer::CreateSite() {
    return std::make_unique<ControlSite>(*this);
}

ControlSite* ControlContainer::CreateControl(const CLSID& clsid, const Rect& rect, int id,
                                             IStream* state) {
    std::unique_ptr<ControlSite> site = CreateSite();
    if (!site) return nullptr;
    if (Failed(site->CreateControl(clsid, rect, id, state))) return nullptr;
    return AddSite(std::move(site));
}

ControlSite* ControlContainer::AddSite(std::unique_ptr<ControlSite> site) {
    if (!site || site->window() == nullptr) return nullptr;
    const HWND window = site->window();
    auto& slot = sites_[window];
    if (slot) slot->Destroy();
    slot = std::move(site);
    return slot.get();
}

ControlSite* ControlContainer::FindSite(HWND controlWindow) const {
    const auto found = sites_.find(controlWindow);
    return found != sites_.end() ? found->second.get() : nullptr;
}

void ControlContainer::RemoveControl(ControlSite* site) {
    for (auto it = sites_.begin(); it != sites_.end(); ++it) {
        if (it->second.get() != site) continue;
        auto node = sites_.extract(it);
        node.mapped()->Destroy();
        return;
    }
}

bool ControlContainer::GetAmbientProperty(DISPID id, VARIANT* value) const {
    return DefaultAmbientProperty(id, value);
}

}  // namespace platform
