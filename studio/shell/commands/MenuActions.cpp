#include "studio/shell/commands/MenuActions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "studio/shell/commands/CmdUI.h"
#include "studio/shell/commands/CommandRouter.h"
#include "studio/shell/commands/StringTable.h"

MenuActions::MenuActions(CommandRouter& router, QObject* parent)
    : QObject(parent), router_(router) {}

QAction* MenuActions::GetAction(int id) {
    QAction*& action = actions_[id];
    if (action == nullptr) {
        action = new QAction(this);
        action->setData(id);
        const std::string_view prompt = GetStudioString(id);
        action->setStatusTip(QString::fromUtf8(prompt.data(), static_cast<int>(prompt.size())));
        connect(action, &QAction::triggered, this, [this, id] { router_.Invoke(id); });
    }
    return action;
}

QMenu* MenuActions::BuildMenu(const QString& title, const std::vector<MenuItem>& items,
                              QWidget* parent) {
    auto* menu = new QMenu(title, parent);
    for (const MenuItem& item : items) {
        if (item.IsPopup()) {
            menu->addMenu(BuildMenu(QString::fromStdString(item.text), item.items, menu));
        } else if (item.IsSeparator()) {
            menu->addSeparator();
        } else {
            QAction* action = GetAction(item.id);
            action->setText(QString::fromStdString(item.text));
            menu->addAction(action);
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    return menu;
}

void MenuActions::FillMenuBar(QMenuBar* bar, int resource) {
    // The old menus may be the ones whose item is running this very change of mode.
    bar->clear();
    for (const QPointer<QMenu>& menu : barMenus_) {
        if (menu) menu->deleteLater();
    }
    barMenus_.clear();
    for (const MenuItem& popup : GetMenu(resource)) {
        QMenu* menu = BuildMenu(QString::fromStdString(popup.text), popup.items, bar);
        bar->addMenu(menu);
        barMenus_.emplace_back(menu);
    }
}

void MenuActions::UpdateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->menu() != nullptr || !action->data().isValid()) {
            continue;
        }
        CmdUI ui(action->data().toInt());
        router_.Update(ui);
        action->setEnabled(ui.IsEnabled());
        if (ui.GetCheck()) {
            action->setCheckable(true);
            action->setChecked(*ui.GetCheck());
        }
        if (ui.GetText()) action->setText(QString::fromStdString(*ui.GetText()));
    }
}
