#include "studio/shell/app/FrameSplitter.h"

#include <algorithm>

namespace {

// Single precision, as the studio always computed it: 172 of every 740 pixels.
constexpr float kRowShare = 0.23243242f;
constexpr int kLarge = 1 << 20;

// A cell's size on its axis; the other cell is given what is left.
void SetFirstSize(QSplitter* splitter, int size) {
    splitter->setSizes({std::max(size, 0), kLarge});
}

}  // namespace

int StartRowHeight(int bottom) {
    if (bottom > 740) return static_cast<int>(static_cast<float>(bottom) * kRowShare);
    return std::max(bottom - 568, 100);
}

int StartColumnWidth(int right) {
    if (right >= 1024) return 340;
    return std::max(right - 684, 200);
}

FrameSplitter::FrameSplitter(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
    setObjectName("59648");  // the first pane's window id, as the splitter's
    setChildrenCollapsible(true);
    for (QSplitter*& row : rows_) {
        row = new QSplitter(Qt::Horizontal, this);
        row->setChildrenCollapsible(true);
        addWidget(row);
    }
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    // One column divider for both rows: moving either moves the other.
    for (int i = 0; i < 2; ++i) {
        QSplitter* moved = rows_[i];
        QSplitter* other = rows_[1 - i];
        connect(moved, &QSplitter::splitterMoved, other,
                [moved, other] { other->setSizes(moved->sizes()); });
    }
}

void FrameSplitter::SetPane(int row, int column, QWidget* pane) {
    QSplitter* cells = rows_[row];
    if (column < cells->count()) {
        cells->replaceWidget(column, pane);
    } else {
        cells->insertWidget(column, pane);
    }
    if (cells->count() == 2) {
        cells->setStretchFactor(0, 0);
        cells->setStretchFactor(1, 1);
    }
}

QWidget* FrameSplitter::GetPane(int row, int column) const {
    return rows_[row]->widget(column);
}

int FrameSplitter::GetRowHeight() const {
    return sizes().value(0);
}

void FrameSplitter::SetRowHeight(int height) {
    SetFirstSize(this, height);
}

int FrameSplitter::GetColumnWidth() const {
    return rows_[0]->sizes().value(0);
}

void FrameSplitter::SetColumnWidth(int width) {
    for (QSplitter* row : rows_) SetFirstSize(row, width);
}
