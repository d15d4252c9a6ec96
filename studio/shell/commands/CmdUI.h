#pragma once

#include <optional>
#include <string>
#include <utility>

// What an update handler says about a menu item or shortcut: enabled or not, checked or
// not, and a text to show instead of the menu's own. Enabled until a handler says otherwise;
// check and text are left alone unless a handler sets them.
class CmdUI {
public:
    explicit CmdUI(int id) : id_(id) {}

    int GetId() const { return id_; }

    void Enable(bool on = true) { enabled_ = on; }
    void SetCheck(bool on = true) { checked_ = on; }
    void SetText(std::string text) { text_ = std::move(text); }

    bool IsEnabled() const { return enabled_; }
    const std::optional<bool>& GetCheck() const { return checked_; }
    const std::optional<std::string>& GetText() const { return text_; }

private:
    int id_;
    bool enabled_ = true;
    std::optional<bool> checked_;
    std::optional<std::string> text_;
};
