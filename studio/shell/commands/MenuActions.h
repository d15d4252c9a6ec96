#pragma once

#include <map>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "studio/shell/commands/MenuTable.h"

class CommandRouter;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// Turns the menu tables into Qt menus whose items go through the router. There is one action
// per command id, made at first use; its status tip is the id's prompt. A menu asks the
// router for the state of each of its items as it opens, and a chosen item runs only when
// the router still finds it enabled. Actions carry no key: a text's "\t" part is only shown,
// and the keys are ShortcutKeys' business.
//
// The frame calls FillMenuBar with its mode's resource whenever a project opens or closes.
class MenuActions : public QObject {
public:
    explicit MenuActions(CommandRouter& router, QObject* parent = nullptr);

    QAction* GetAction(int id);
    // Replaces the bar's menus by those of `resource` (194-197).
    void FillMenuBar(QMenuBar* bar, int resource);
    // A popup holding `items`, owned by `parent`. Its items are the same actions the menu bar
    // shows, so a menu that words an item its own way needs actions of its own.
    QMenu* BuildMenu(const QString& title, const std::vector<MenuItem>& items, QWidget* parent);
    // Asks the router for each command item of the menu (not of its submenus, which ask when
    // they open).
    void UpdateMenu(QMenu* menu);

private:
    CommandRouter& router_;
    std::map<int, QAction*> actions_;
    std::vector<QPointer<QMenu>> barMenus_;
};
