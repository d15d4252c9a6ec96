#pragma once

#include "studio/shell/panes/PlaceholderPane.h"

// The file list (top right).
class FileView final : public PlaceholderPane {
public:
    explicit FileView(QWidget* parent = nullptr) : PlaceholderPane("FileView", parent) {}
};
