#include "studio/shell/commands/CommandTarget.h"

#include <utility>

#include "studio/shell/commands/CommandFactory.h"

bool CommandTarget::OnCommand(int id) {
    const auto found = map_.find(id);
    if (found == map_.end() || !found->second.run) return false;
    found->second.run();
    return true;
}

bool CommandTarget::OnUpdate(CmdUI& ui) {
    const auto found = map_.find(ui.GetId());
    if (found == map_.end()) return false;
    if (found->second.update) {
        found->second.update(ui);
        return true;
    }
    if (!found->second.run) return false;
    ui.Enable(true);
    return true;
}

void CommandTarget::Map(int id, Handler run, Updater update) {
    map_[id] = Entry{std::move(run), std::move(update)};
}

void CommandTarget::MapCommandObject(int id, Handler prepare) {
    Map(
        id,
        [id, prepare] {
            if (prepare) prepare();
            ExecuteCommand(id);
        },
        [id, prepare](CmdUI& ui) {
            if (prepare) prepare();
            ui.Enable(IsCommandEnabled(id));
        });
}
