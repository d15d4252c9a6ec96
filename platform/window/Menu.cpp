#include "platform/window/Menu.h"

#include <atomic>

#include <QMenu>

namespace platform {
namespace {

void AddItems(QMenu& target, const Menu& menu) {
    for (const MenuItem& item : menu.items()) {
        const QString text =
            QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
        switch (item.kind) {
            case MenuItem::Kind::Separator:
                target.addSeparator();
                break;
            case MenuItem::Kind::Popup:
                AddItems(*target.addMenu(text), item.popup);
                break;
            case MenuItem::Kind::Command: {
                QAction* action = target.addAction(text);
                action->setData(static_cast<unsigned>(item.id));
                action->setEnabled(!item.grayed);
                break;
            }
        }
    }
}

class QtMenuChooser final : public MenuChooser {
public:
    std::optional<std::uint32_t> Choose(const Menu& menu, Vector2<int> screenPoint,
                                        HWND owner) override {
        QMenu popup(owner);
        AddItems(popup, menu);
        const QAction* chosen = popup.exec(QPoint(screenPoint.x, screenPoint.y));
        if (chosen == nullptr || !chosen->data().isValid()) return std::nullopt;
        return static_cast<std::uint32_t>(chosen->data().toUInt());
    }
};

QtMenuChooser qtChooser;
std::atomic<MenuChooser*> current{nullptr};

}  // namespace

Menu::Menu(std::initializer_list<MenuItem> items) : items_(items) {}

int Menu::GetMenuItemCount() const {
    return static_cast<int>(items_.size());
}

Menu* Menu::GetSubMenu(int position) {
    if (position < 0 || position >= GetMenuItemCount()) return nullptr;
    MenuItem& item = items_[static_cast<std::size_t>(position)];
    return item.kind == MenuItem::Kind::Popup ? &item.popup : nullptr;
}

const Menu* Menu::GetSubMenu(int position) const {
    return const_cast<Menu*>(this)->GetSubMenu(position);
}

MenuItem* Menu::FindMutableCommand(std::uint32_t id) {
    for (MenuItem& item : items_) {
        if (item.kind == MenuItem::Kind::Command && item.id == id) return &item;
        if (item.kind == MenuItem::Kind::Popup) {
            if (MenuItem* found = item.popup.FindMutableCommand(id)) return found;
        }
    }
    return nullptr;
}

const MenuItem* Menu::FindCommand(std::uint32_t id) const {
    return const_cast<Menu*>(this)->FindMutableCommand(id);
}

bool Menu::EnableMenuItem(std::uint32_t id, bool enabled) {
    MenuItem* item = FindMutableCommand(id);
    if (item == nullptr) return false;
    item->grayed = !enabled;
    return true;
}

bool Menu::SetMenuItemText(std::uint32_t id, std::string_view text) {
    MenuItem* item = FindMutableCommand(id);
    if (item == nullptr) return false;
    item->text = text;
    return true;
}

MenuItem MenuItem::Command(std::uint32_t id, std::string_view text, bool grayed) {
    MenuItem item;
    item.id = id;
    item.text = text;
    item.grayed = grayed;
    return item;
}

MenuItem MenuItem::Separator() {
    MenuItem item;
    item.kind = Kind::Separator;
    return item;
}

MenuItem MenuItem::Popup(std::string_view text, Menu popup) {
    MenuItem item;
    item.kind = Kind::Popup;
    item.text = text;
    item.popup = std::move(popup);
    return item;
}

MenuChooser& CurrentMenuChooser() {
    MenuChooser* chooser = current.load();
    return chooser != nullptr ? *chooser : qtChooser;
}

MenuChooser* SetMenuChooser(MenuChooser* chooser) {
    return current.exchange(chooser);
}

bool TrackPopupMenu(const Menu& menu, Vector2<int> screenPoint, Window& owner) {
    const std::optional<std::uint32_t> chosen =
        CurrentMenuChooser().Choose(menu, screenPoint, owner.handle());
    if (!chosen) return false;
    const MenuItem* item = menu.FindCommand(*chosen);
    if (item == nullptr || item->grayed) return false;
    return owner.Post(WM_COMMAND, *chosen, 0);
}

}  // namespace platform
