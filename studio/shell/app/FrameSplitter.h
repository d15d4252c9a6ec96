#pragma once

#include <QSplitter>

// The starting height of row 0 and width of column 0 for a work area whose bottom and right
// edges (outside it) are `bottom` and `right`: edges, not sizes, so a work area that does not
// start at 0 gives more.
int StartRowHeight(int bottom);
int StartColumnWidth(int right);

// The frame's 2 x 2 panes: a vertical splitter over two horizontal ones whose dividers move
// together, so that the panes form one grid. Row 1 and column 1 take what rows 0 and
// column 0 leave; row 0 and column 0 may be collapsed to 0.
class FrameSplitter final : public QSplitter {
public:
    explicit FrameSplitter(QWidget* parent = nullptr);

    // Puts a pane into its cell; the splitter owns it.
    void SetPane(int row, int column, QWidget* pane);
    QWidget* GetPane(int row, int column) const;
    // The cell's own splitter (row 0 or 1).
    QSplitter* GetRow(int row) const { return rows_[row]; }

    int GetRowHeight() const;
    void SetRowHeight(int height);
    int GetColumnWidth() const;
    void SetColumnWidth(int width);

private:
    QSplitter* rows_[2];
};
