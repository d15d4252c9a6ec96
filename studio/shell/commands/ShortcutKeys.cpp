#include "studio/shell/commands/ShortcutKeys.h"

#include <optional>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "studio/shell/commands/AcceleratorTable.h"
#include "studio/shell/commands/CommandRouter.h"

namespace {

constexpr const char* kKeepKeysProperty = "keepKeysInside";

std::optional<AccelKey> KeyOf(int key) {
    switch (key) {
        case Qt::Key_A:
            return AccelKey::A;
        case Qt::Key_C:
            return AccelKey::C;
        case Qt::Key_D:
            return AccelKey::D;
        case Qt::Key_F:
            return AccelKey::F;
        case Qt::Key_G:
            return AccelKey::G;
        case Qt::Key_O:
            return AccelKey::O;
        case Qt::Key_S:
            return AccelKey::S;
        case Qt::Key_V:
            return AccelKey::V;
        case Qt::Key_X:
            return AccelKey::X;
        case Qt::Key_Z:
            return AccelKey::Z;
        case Qt::Key_Insert:
            return AccelKey::Insert;
        case Qt::Key_Delete:
            return AccelKey::Delete;
        case Qt::Key_Backspace:
            return AccelKey::Backspace;
        // Ctrl+Break arrives as Pause on some keyboards and as Cancel on others.
        case Qt::Key_Pause:
        case Qt::Key_Cancel:
            return AccelKey::Break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return AccelKey::Enter;
        case Qt::Key_Left:
            return AccelKey::Left;
        case Qt::Key_Right:
            return AccelKey::Right;
        case Qt::Key_F2:
            return AccelKey::F2;
        case Qt::Key_F5:
            return AccelKey::F5;
        case Qt::Key_F6:
            return AccelKey::F6;
        default:
            return std::nullopt;
    }
}

bool IsEditor(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr;
}

}  // namespace

void KeepKeysInside(QWidget* widget) {
    if (widget != nullptr) widget->setProperty(kKeepKeysProperty, true);
}

bool KeysStayAt(const QWidget* widget) {
    for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        if (IsEditor(at) || at->property(kKeepKeysProperty).toBool()) return true;
        if (at->isWindow()) break;
    }
    return false;
}

int CommandOfKey(int key, Qt::KeyboardModifiers modifiers) {
    const std::optional<AccelKey> accelKey = KeyOf(key);
    if (!accelKey) return 0;
    unsigned held = kAccelNone;
    if (modifiers & Qt::ShiftModifier) held |= kAccelShift;
    if (modifiers & Qt::ControlModifier) held |= kAccelCtrl;
    if (modifiers & Qt::AltModifier) held |= kAccelAlt;
    return FindAccelerator(*accelKey, held);
}

ShortcutKeys::ShortcutKeys(QWidget* frame, CommandRouter& router)
    : QObject(frame), frame_(frame), router_(router) {
    qApp->installEventFilter(this);
}

ShortcutKeys::~ShortcutKeys() {
    qApp->removeEventFilter(this);
}

bool ShortcutKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || frame_ == nullptr) return false;
    // A key goes first to the focus widget and then, when refused, to its parents; the
    // shortcut is looked up once, before the focus widget sees it.
    QWidget* focus = frame_->focusWidget();
    if (watched != (focus != nullptr ? focus : frame_.data())) return false;
    if (focus != nullptr && KeysStayAt(focus)) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const int id = CommandOfKey(key->key(), key->modifiers());
    if (id == 0) return false;
    router_.Invoke(id);
    return true;
}
