#include "studio/shell/commands/ShortcutKeys.h"

#include <map>
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
    static const std::map<int, AccelKey> keys = {
        {Qt::Key_A, AccelKey::A},
        {Qt::Key_C, AccelKey::C},
        {Qt::Key_D, AccelKey::D},
        {Qt::Key_F, AccelKey::F},
        {Qt::Key_G, AccelKey::G},
        {Qt::Key_O, AccelKey::O},
        {Qt::Key_S, AccelKey::S},
        {Qt::Key_V, AccelKey::V},
        {Qt::Key_X, AccelKey::X},
        {Qt::Key_Z, AccelKey::Z},
        {Qt::Key_Insert, AccelKey::Insert},
        {Qt::Key_Delete, AccelKey::Delete},
        {Qt::Key_Backspace, AccelKey::Backspace},
        // Ctrl+Break arrives as Pause on some keyboards and as Cancel on others.
        {Qt::Key_Pause, AccelKey::Break},
        {Qt::Key_Cancel, AccelKey::Break},
        {Qt::Key_Return, AccelKey::Enter},
        {Qt::Key_Enter, AccelKey::Enter},
        {Qt::Key_Left, AccelKey::Left},
        {Qt::Key_Right, AccelKey::Right},
        {Qt::Key_F2, AccelKey::F2},
        {Qt::Key_F5, AccelKey::F5},
        {Qt::Key_F6, AccelKey::F6},
    };
    const auto found = keys.find(key);
    if (found == keys.end()) return std::nullopt;
    return found->second;
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
