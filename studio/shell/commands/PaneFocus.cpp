#include "studio/shell/commands/PaneFocus.h"

#include <QApplication>
#include <QWidget>

#include "studio/shell/commands/CommandRouter.h"

PaneFocus::PaneFocus(CommandRouter& router, QObject* parent) : QObject(parent), router_(router) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocus(now); });
    router_.SetPaneActivated([this](int index) { FocusPane(index); });
}

PaneFocus::~PaneFocus() {
    router_.SetPaneActivated({});
}

int PaneFocus::AddPane(QWidget* widget, CommandTarget* target) {
    const int index = router_.AddPane(target);
    panes_.resize(index + 1);
    panes_[index].widget = widget;
    return index;
}

int PaneFocus::PaneOf(const QWidget* widget) const {
    for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        for (std::size_t index = 0; index < panes_.size(); ++index) {
            if (panes_[index].widget == at) return static_cast<int>(index);
        }
    }
    return -1;
}

void PaneFocus::OnFocus(QWidget* now) {
    const int index = PaneOf(now);
    if (index < 0) return;
    panes_[index].lastFocus = now;
    router_.SetActivePane(index);
}

void PaneFocus::FocusPane(int index) {
    if (index < 0 || index >= static_cast<int>(panes_.size())) return;
    QWidget* pane = panes_[index].widget;
    if (pane == nullptr) return;
    QWidget* target = panes_[index].lastFocus;
    if (target == nullptr || !target->isVisible() || !target->isEnabled() ||
        PaneOf(target) != index) {
        target = pane;
        if (pane->focusPolicy() == Qt::NoFocus) {
            for (QWidget* child : pane->findChildren<QWidget*>()) {
                if (child->isVisible() && child->isEnabled() &&
                    (child->focusPolicy() & Qt::TabFocus) != 0) {
                    target = child;
                    break;
                }
            }
        }
    }
    target->setFocus(Qt::OtherFocusReason);
}
