#pragma once

#include <vector>

#include <QObject>
#include <QPointer>

class CommandRouter;
class CommandTarget;
class QPainter;
class QPalette;
class QRect;
class QWidget;

// Marks the current item of a list or tree that has the focus: a dotted rectangle inside the
// item, in the colour of its text, so that it shows on the selection and off it.
void DrawFocusedItemMark(QPainter& painter, const QRect& item, const QPalette& palette,
                         bool selected);

// Keeps the router's active pane on the pane that holds the focus, and moves the focus when
// F6 or Shift+F6 chooses another pane. The focus leaving the frame (to a menu, a dialog or
// nowhere) leaves the active pane as it was.
//
// The pane holding the focus is framed in the highlight colour, so that a user sees where
// keys go; a pane without the focus draws no frame.
//
// The frame adds its panes in the order F6 visits them.
class PaneFocus : public QObject {
public:
    explicit PaneFocus(CommandRouter& router, QObject* parent = nullptr);
    ~PaneFocus() override;

    // `widget` is the pane's window: focus anywhere inside it makes `target` the active pane.
    int AddPane(QWidget* widget, CommandTarget* target);
    // The pane holding `widget`; -1 when it is in none.
    int PaneOf(const QWidget* widget) const;

private:
    void OnFocus(QWidget* now);
    void FocusPane(int index);

    void ShowFrame(int index);

    struct Pane {
        QPointer<QWidget> widget;
        QPointer<QWidget> lastFocus;  // where the focus returns when F6 comes back
        QPointer<QWidget> frame;      // drawn over the pane's edge while it has the focus
    };
    CommandRouter& router_;
    std::vector<Pane> panes_;
};
