#include "testing/ScriptedMenuChooser.h"

namespace testing_support {

ScriptedMenuChooser::ScriptedMenuChooser() : previous_(platform::SetMenuChooser(this)) {}

ScriptedMenuChooser::~ScriptedMenuChooser() {
    platform::SetMenuChooser(previous_);
}

std::optional<std::uint32_t> ScriptedMenuChooser::Choose(const platform::Menu& menu,
                                                         Vector2<int> screenPoint,
                                                         platform::HWND owner) {
    calls_.push_back(Call{menu, screenPoint, owner});
    if (choices_.empty()) return std::nullopt;
    const std::optional<std::uint32_t> id = choices_.front();
    choices_.pop_front();
    if (!id) return std::nullopt;
    const platform::MenuItem* item = menu.FindCommand(*id);
    if (item == nullptr || item->grayed) return std::nullopt;
    return id;
}

}  // namespace testing_support
