#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/window/Menu.h"
#include "platform/window/Window.h"
#include "platform/window/tests/WindowTestSupport.h"
#include "testing/ScriptedMenuChooser.h"

namespace {

using namespace platform;
using window_test::HostWidget;
using window_test::PumpUntil;
using window_test::Recorder;

Menu ContextMenu() {
    return Menu{MenuItem::Popup(
        "Viewer",
        Menu{MenuItem::Command(32779, ""), MenuItem::Separator(),
             MenuItem::Command(32773, "Fullscreen"),
             MenuItem::Popup("ZoomTo", Menu{MenuItem::Command(32778, "Center"),
                                            MenuItem::Command(32770, "50%")}),
             MenuItem::Command(32775, "Print"), MenuItem::Command(32768, "Options...", true)})};
}

TEST(WindowMenus, TextsAndGreyStateAreFoundThroughPopups) {
    Menu menu = ContextMenu();
    Menu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetMenuItemCount(), 6);
    EXPECT_EQ(popup->GetSubMenu(1), nullptr);
    ASSERT_NE(popup->GetSubMenu(3), nullptr);
    EXPECT_EQ(popup->items()[1].kind, MenuItem::Kind::Separator);

    EXPECT_TRUE(menu.SetMenuItemText(32773, "Close fullscreen"));
    EXPECT_TRUE(menu.EnableMenuItem(32770, false));
    EXPECT_TRUE(menu.EnableMenuItem(32768, true));
    EXPECT_FALSE(menu.EnableMenuItem(4711, true));
    EXPECT_EQ(menu.FindCommand(32773)->text, "Close fullscreen");
    EXPECT_TRUE(menu.FindCommand(32770)->grayed);
    EXPECT_FALSE(menu.FindCommand(32768)->grayed);
    EXPECT_EQ(menu.FindCommand(4711), nullptr);
}

TEST(WindowMenus, AScriptedChoiceReachesTheOwnerAsACommand) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());
    testing_support::ScriptedMenuChooser chooser;
    chooser.Choose(32770);
    chooser.Choose(32768);  // grey: no choice

    const Menu menu = ContextMenu();
    EXPECT_TRUE(TrackPopupMenu(*menu.GetSubMenu(0), Vector2<int>(120, 45), *window));
    EXPECT_FALSE(TrackPopupMenu(*menu.GetSubMenu(0), Vector2<int>(1, 2), *window));
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_COMMAND) > 0; }));
    window_test::Pump();
    EXPECT_EQ(recorder.Count(WM_COMMAND), 1);
    EXPECT_EQ(recorder.Last(WM_COMMAND)->wParam, 32770u);
    ASSERT_EQ(chooser.calls().size(), 2u);
    EXPECT_EQ(chooser.calls()[0].screenPoint, Vector2<int>(120, 45));
    EXPECT_EQ(chooser.calls()[0].owner, &host);
}

TEST(WindowMenus, TheQtPopupShowsTextsAndGreyItems) {
    HostWidget host;
    host.show();
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());
    QStringList texts;
    QList<bool> enabled;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup == nullptr) return;
        poll.stop();
        for (QAction* action : popup->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            enabled << action->isEnabled();
        }
        popup->setActiveAction(popup->actions()[2]);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(popup, &enter);
    });
    poll.start();
    EXPECT_TRUE(TrackPopupMenu(*ContextMenu().GetSubMenu(0), Vector2<int>(5, 5), *window));
    EXPECT_EQ(texts, (QStringList{"", "-", "Fullscreen", "ZoomTo", "Print", "Options..."}));
    EXPECT_FALSE(enabled[5]);
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_COMMAND) == 1; }));
    EXPECT_EQ(recorder.Last(WM_COMMAND)->wParam, 32773u);
}

}  // namespace
