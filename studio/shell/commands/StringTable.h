#pragma once

#include <string_view>

// The studio's string table: the status-bar prompt of each command id, the idle prompt and
// the window title.
enum StringId : int {
    kTitleString = 128,
    kFrameTitleString = 57344,
    kReadyString = 57345,
};

// The string of an id; empty when the table has none.
std::string_view GetStudioString(int id);
