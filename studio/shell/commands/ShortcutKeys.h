#pragma once

#include <QObject>
#include <QPointer>
#include <Qt>

class CommandRouter;
class QWidget;

// Marks a widget whose keys stay inside it, as in a dialog: the frame's shortcuts do not
// fire while the focus is anywhere within it. The info pane marks each of its sheets.
void KeepKeysInside(QWidget* widget);

// True when keys pressed at `widget` belong to it and not to the frame: inside an editor
// (line edits, including a list's label editor, text edits, spin boxes, combo boxes) or
// inside a widget marked with KeepKeysInside.
bool KeysStayAt(const QWidget* widget);

// The id table 128 gives a Qt key with these modifiers; 0 when it gives none.
int CommandOfKey(int key, Qt::KeyboardModifiers modifiers);

// The frame's shortcuts: a key pressed in the frame window whose focus is not in an editor
// or a marked widget is looked up in the accelerator table, and its id goes to the router as
// a menu item's would (run only when enabled). A key of the table is used up even when its
// command is disabled. Keys in other windows (dialogs, open menus) are left alone.
class ShortcutKeys : public QObject {
public:
    ShortcutKeys(QWidget* frame, CommandRouter& router);
    ~ShortcutKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> frame_;
    CommandRouter& router_;
};
