#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/window/Menu.h"

namespace testing_support {

// Popup menus for tests: installed while the object lives, choosing from a queue and
// recording every menu shown with its position. A scripted id that the menu lacks or shows
// grey chooses nothing, as a click on it would; an empty queue chooses nothing.
class ScriptedMenuChooser final : public platform::MenuChooser {
public:
    struct Call {
        platform::Menu menu;
        Vector2<int> screenPoint;
        platform::HWND owner = nullptr;
    };

    ScriptedMenuChooser();
    ~ScriptedMenuChooser() override;
    ScriptedMenuChooser(const ScriptedMenuChooser&) = delete;
    ScriptedMenuChooser& operator=(const ScriptedMenuChooser&) = delete;

    void Choose(std::optional<std::uint32_t> id) { choices_.push_back(id); }
    const std::vector<Call>& calls() const { return calls_; }

    std::optional<std::uint32_t> Choose(const platform::Menu& menu, Vector2<int> screenPoint,
                                        platform::HWND owner) override;

private:
    std::deque<std::optional<std::uint32_t>> choices_;
    std::vector<Call> calls_;
    platform::MenuChooser* previous_ = nullptr;
};

}  // namespace testing_support
