#include "studio/shell/commands/CommandRouter.h"

#include <exception>
#include <string>

#include "platform/debug/Debug.h"
#include "studio/shell/commands/CmdUI.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/CommandTarget.h"

namespace {

// Handlers run from window events; nothing they throw may unwind into the toolkit. A failed
// handler still counts as the one that answered, so the id goes no further.
template <class F>
bool Safely(int id, F&& call) {
    try {
        return call();
    } catch (const std::exception& error) {
        platform::DebugOutput("Command " + std::to_string(id) + " failed: " + error.what() + "\n");
    } catch (...) {
        platform::DebugOutput("Command " + std::to_string(id) + " failed\n");
    }
    return true;
}

}  // namespace

int CommandRouter::AddPane(CommandTarget* pane) {
    panes_.push_back(pane);
    if (active_ < 0) active_ = 0;
    return GetPaneCount() - 1;
}

void CommandRouter::SetActivePane(int index) {
    if (index >= 0 && index < GetPaneCount()) active_ = index;
}

std::vector<CommandTarget*> CommandRouter::Targets() const {
    std::vector<CommandTarget*> route;
    if (active_ >= 0 && panes_[active_] != nullptr) route.push_back(panes_[active_]);
    if (frame_ != nullptr) route.push_back(frame_);
    return route;
}

bool CommandRouter::Update(CmdUI& ui) {
    // Targets that run an id without a command object are held back here too.
    if (RefusedWhileBusy(ui.GetId())) {
        ui.Enable(false);
        return true;
    }
    for (CommandTarget* target : Targets()) {
        if (Safely(ui.GetId(), [&] { return target->OnUpdate(ui); })) return true;
    }
    if (OwnUpdate(ui)) return true;
    if (application_ != nullptr && Safely(ui.GetId(), [&] { return application_->OnUpdate(ui); })) {
        return true;
    }
    ui.Enable(false);
    return false;
}

bool CommandRouter::IsEnabled(int id) {
    CmdUI ui(id);
    Update(ui);
    return ui.IsEnabled();
}

bool CommandRouter::Route(int id) {
    if (RefusedWhileBusy(id)) return false;
    for (CommandTarget* target : Targets()) {
        if (Safely(id, [&] { return target->OnCommand(id); })) return true;
    }
    if (OwnCommand(id)) return true;
    return application_ != nullptr && Safely(id, [&] { return application_->OnCommand(id); });
}

bool CommandRouter::Invoke(int id) {
    return IsEnabled(id) && Route(id);
}

bool CommandRouter::OwnCommand(int id) {
    if (id != kNextPane && id != kPreviousPane) return false;
    Cycle(id == kNextPane ? 1 : -1);
    return true;
}

bool CommandRouter::OwnUpdate(CmdUI& ui) const {
    if (ui.GetId() != kNextPane && ui.GetId() != kPreviousPane) return false;
    ui.Enable(GetPaneCount() > 1);
    return true;
}

void CommandRouter::Cycle(int step) {
    const int count = GetPaneCount();
    if (count < 2) return;
    active_ = ((active_ < 0 ? 0 : active_) + step + count) % count;
    if (activated_) activated_(active_);
}
