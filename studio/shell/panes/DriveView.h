#pragma once

#include "studio/shell/panes/PlaceholderPane.h"

// The folder tree (top left).
class DriveView final : public PlaceholderPane {
public:
    explicit DriveView(QWidget* parent = nullptr) : PlaceholderPane("DriveView", parent) {}
};
