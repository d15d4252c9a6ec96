#pragma once

#include <functional>
#include <utility>
#include <vector>

class CmdUI;
class CommandTarget;

// Decides which target answers a command id: the active pane first, then the frame, then
// the application; the first that handles the id wins. Nothing here knows about windows:
// the window layer tells the router which pane holds the focus (PaneFocus) and sends it the
// ids of menu items and shortcuts (MenuActions, ShortcutKeys).
//
// Next pane and previous pane (F6, Shift+F6) are the frame's own: after the frame target, the
// router handles them by moving the active pane and calling the activation hook.
class CommandRouter {
public:
    CommandRouter() = default;
    CommandRouter(const CommandRouter&) = delete;
    CommandRouter& operator=(const CommandRouter&) = delete;

    // Panes in the order F6 visits them; the first becomes active. Returns the pane's index.
    int AddPane(CommandTarget* pane);
    void SetFrame(CommandTarget* frame) { frame_ = frame; }
    void SetApplication(CommandTarget* application) { application_ = application; }

    int GetPaneCount() const { return static_cast<int>(panes_.size()); }
    // -1 with no panes.
    int GetActivePane() const { return active_; }
    // Records the pane that took the focus; an index out of range is ignored.
    void SetActivePane(int index);
    // Called with the new index after F6 or Shift+F6, so the window layer moves the focus.
    void SetPaneActivated(std::function<void(int)> hook) { activated_ = std::move(hook); }

    // Asks the route for the id's state. When no target answers, the id is greyed and the
    // result is false.
    bool Update(CmdUI& ui);
    bool IsEnabled(int id);
    // Offers the id along the route without asking its state; true when a target ran it.
    bool Route(int id);
    // What a menu item or shortcut does: asks the update first and runs the id only when it
    // is enabled. True when it ran.
    bool Invoke(int id);

private:
    std::vector<CommandTarget*> Targets() const;
    bool OwnCommand(int id);
    bool OwnUpdate(CmdUI& ui) const;
    void Cycle(int step);

    std::vector<CommandTarget*> panes_;
    int active_ = -1;
    CommandTarget* frame_ = nullptr;
    CommandTarget* application_ = nullptr;
    std::function<void(int)> activated_;
};
