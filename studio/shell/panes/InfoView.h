#pragma once

#include "studio/shell/panes/PlaceholderPane.h"

// The info pane with its sheets (bottom left).
class InfoView final : public PlaceholderPane {
public:
    explicit InfoView(QWidget* parent = nullptr) : PlaceholderPane("InfoView", parent) {}
};
