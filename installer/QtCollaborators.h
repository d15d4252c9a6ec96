#pragma once

#include <string_view>

#include "installer/Collaborators.h"

class QWidget;

// The installer's Qt faces: the screen's depth and dialog 103.
namespace installer {

// The primary screen's depth; a process without a screen has none to check.
class ScreenDisplay final : public Display {
public:
    std::optional<int> BitsPerPixel() override;
};

class QtFinalDialog final : public FinalDialog {
public:
    void Show(std::string_view title, std::string_view text) override;
};

// Dialog 103 itself, not yet shown: our banner on top, the text painted below it, OK.
QWidget* MakeFinalDialog(std::string_view title, std::string_view text);

}  // namespace installer
