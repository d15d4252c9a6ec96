#pragma once

#include <string>
#include <vector>

// One entry of a menu: a command item (id and text), a popup (text and items, id 0) or a
// separator (id 0, no text, no items). A text may carry a shortcut after '\t'; that part is
// only shown: the keys themselves come from the accelerator table.
struct MenuItem {
    int id = 0;
    std::string text;
    std::vector<MenuItem> items;

    bool IsPopup() const { return !items.empty(); }
    bool IsSeparator() const { return id == 0 && text.empty() && items.empty(); }
};

// The frame's menu resources, one per project mode.
enum MenuResource : int {
    kMenuNoProject = 194,
    kMenuGallery = 195,
    kMenuAnimation = 196,
    kMenuVantelify = 197,
};

// The top-level popups of menu `resource` (194-197); empty for any other number.
const std::vector<MenuItem>& GetMenu(int resource);

// The first item with the id, searched through the popups; null when there is none.
const MenuItem* FindMenuItem(const std::vector<MenuItem>& menu, int id);
