#pragma once

#include "studio/shell/panes/PlaceholderPane.h"

// The viewer pane (bottom right).
class VanteloView final : public PlaceholderPane {
public:
    explicit VanteloView(QWidget* parent = nullptr) : PlaceholderPane("VanteloView", parent) {}
};
