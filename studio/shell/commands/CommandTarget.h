#pragma once

#include <functional>
#include <map>

#include "studio/shell/commands/CmdUI.h"

// Something a command id can be routed to: a pane, the frame or the application.
//
// A target either fills its map (Map, MapCommandObject) or overrides OnCommand and OnUpdate.
// An id it runs without an update entry counts as always enabled; an id it neither runs nor
// updates goes on to the next target of the route (CommandRouter).
class CommandTarget {
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CmdUI&)>;

    CommandTarget() = default;
    virtual ~CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    // True when this target ran the id.
    virtual bool OnCommand(int id);
    // True when this target answers for the id; the answer is in `ui`.
    virtual bool OnUpdate(CmdUI& ui);

    // `run` handles the id; `update` answers its state (none: always enabled). Either may be
    // empty. A second entry for an id replaces the first.
    void Map(int id, Handler run, Updater update = {});
    // Runs and enables the id by its command object (ExecuteCommand, IsCommandEnabled),
    // calling `prepare` first each time (for instance to refill the file selection).
    void MapCommandObject(int id, Handler prepare = {});

private:
    struct Entry {
        Handler run;
        Updater update;
    };
    std::map<int, Entry> map_;
};
