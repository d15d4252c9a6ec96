#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"

namespace platform {

struct MenuItem;

// A menu built from a C++ table: commands (an id, a text, grey or not), separators and
// popups holding menus of their own. Texts are as the system writes them: '&' marks the
// access key, a '\t' part is shown at the right.
class Menu {
public:
    Menu() = default;
    Menu(std::initializer_list<MenuItem> items);

    const std::vector<MenuItem>& items() const { return items_; }
    int GetMenuItemCount() const;
    // The popup at that position, or null.
    Menu* GetSubMenu(int position);
    const Menu* GetSubMenu(int position) const;

    // By command id, looking into popups too; false when no item has the id.
    bool EnableMenuItem(std::uint32_t id, bool enabled);
    bool SetMenuItemText(std::uint32_t id, std::string_view text);
    const MenuItem* FindCommand(std::uint32_t id) const;

private:
    MenuItem* FindMutableCommand(std::uint32_t id);

    std::vector<MenuItem> items_;
};

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    std::uint32_t id = 0;
    std::string text;
    bool grayed = false;
    Menu popup;  // for Kind::Popup

    static MenuItem Command(std::uint32_t id, std::string_view text, bool grayed = false);
    static MenuItem Separator();
    static MenuItem Popup(std::string_view text, Menu popup);
};

// Shows a popup menu and returns the chosen command, or none when the user chose nothing.
// A grey command can never be chosen.
class MenuChooser {
public:
    virtual ~MenuChooser() = default;
    virtual std::optional<std::uint32_t> Choose(const Menu& menu, Vector2<int> screenPoint,
                                                HWND owner) = 0;
};

// The chooser in use: a Qt popup menu until another is installed (tests script theirs).
MenuChooser& CurrentMenuChooser();
// Installs a chooser (null: the Qt one again) and returns the one installed before.
MenuChooser* SetMenuChooser(MenuChooser* chooser);

// Opens the menu at a screen point; a choice reaches the owner as a posted WM_COMMAND
// with the id in wParam. False when nothing was chosen.
bool TrackPopupMenu(const Menu& menu, Vector2<int> screenPoint, Window& owner);

}  // namespace platform
