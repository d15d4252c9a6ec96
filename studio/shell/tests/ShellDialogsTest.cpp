#include "studio/shell/ShellDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "studio/shell/ShellUtils.h"
#include "testing/QtTestApp.h"

namespace {

// Clicks a button of the modal dialog as soon as it shows, after typing into its edit.
void ClickWhenShown(const char* button, const char* typed = nullptr) {
    QTimer::singleShot(0, [button, typed] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        if (typed != nullptr) dialog->findChild<QLineEdit*>("1011")->setText(typed);
        dialog->findChild<QPushButton*>(button)->click();
    });
}

TEST(ShellDialogs, TheRenameDialogAnswersTheCopysQuestion) {
    testing_support::TestApplication();
    InstallShellDialogs(nullptr);
    const RenameQuestion ask = SetRenameQuestion(nullptr);
    ASSERT_TRUE(ask);

    ClickWhenShown("1013");
    RenameChoice choice = ask("x.jpg", "x_1.jpg");
    EXPECT_EQ(choice.kind, RenameChoice::AutoRename);
    EXPECT_TRUE(choice.all);

    ClickWhenShown("1164");
    choice = ask("x.jpg", "x_1.jpg");
    EXPECT_EQ(choice.kind, RenameChoice::Overwrite);
    EXPECT_FALSE(choice.all);

    ClickWhenShown("1", "mine.jpg");
    choice = ask("x.jpg", "x_1.jpg");
    EXPECT_EQ(choice.kind, RenameChoice::UseName);
    EXPECT_EQ(choice.name, "mine.jpg");

    ClickWhenShown("2");
    EXPECT_EQ(ask("x.jpg", "x_1.jpg").kind, RenameChoice::Cancel);
    SetCopyProgressFactory(nullptr);
}

TEST(ShellDialogs, WrappedTextBreaksAtTheClientWidth) {
    testing_support::TestApplication();
    QLabel label;
    label.setContentsMargins(0, 0, 0, 0);
    const QFontMetrics metrics(label.font());
    label.resize(metrics.horizontalAdvance("MMMM") + 1, 100);
    SetWrappedWindowText(&label, "MMMMMMMMMM");
    const QStringList lines = label.text().split('\n');
    ASSERT_GE(lines.size(), 3);
    for (const QString& line : lines) EXPECT_LE(line.size(), 4) << line.toStdString();
    EXPECT_EQ(lines.join(""), "MMMMMMMMMM");
}

}  // namespace
