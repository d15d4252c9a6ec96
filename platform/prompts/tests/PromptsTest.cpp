#include "platform/prompts/Prompts.h"

#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/prompts/QtPrompts.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using platform::MessageButtons;
using platform::PromptAnswer;

TEST(Prompts, WithoutPromptsEveryQuestionGetsItsEscapeAnswer) {
    EXPECT_EQ(platform::ShowMessage(nullptr, "t", "c"), PromptAnswer::Ok);
    EXPECT_EQ(platform::ShowMessage(nullptr, "t", "c", MessageButtons::YesNo), PromptAnswer::No);
    EXPECT_EQ(platform::ShowMessage(nullptr, "t", "c", MessageButtons::YesNoCancel),
              PromptAnswer::Cancel);
    EXPECT_EQ(platform::ShowMessage(nullptr, "t", "c", MessageButtons::RetryCancel),
              PromptAnswer::Cancel);
    EXPECT_EQ(platform::CurrentPrompts().BrowseForFolder(nullptr, "t", "/"), std::nullopt);
}

TEST(Prompts, ScriptedPromptsAnswerInOrderRecordAndStepAside) {
    {
        testing_support::ScriptedPrompts prompts;
        prompts.Answer(PromptAnswer::Yes);
        prompts.AnswerPath("/chosen");
        EXPECT_EQ(platform::ShowMessage(nullptr, "Are you sure?", "Gallery", MessageButtons::YesNo),
                  PromptAnswer::Yes);
        EXPECT_EQ(platform::ShowMessage(nullptr, "Again?", "", MessageButtons::OkCancel,
                                        platform::MessageIcon::Warning, std::nullopt),
                  PromptAnswer::Cancel);
        platform::FileDialogRequest request;
        request.save = true;
        request.defaultExtension = "htm";
        EXPECT_EQ(platform::CurrentPrompts().FileDialog(nullptr, request), "/chosen");
        EXPECT_EQ(platform::CurrentPrompts().BrowseForFolder(nullptr, "Pick", "/start"),
                  std::nullopt);

        ASSERT_EQ(prompts.calls().size(), 4u);
        EXPECT_EQ(prompts.calls()[0].text, "Are you sure?");
        EXPECT_EQ(prompts.calls()[0].caption, "Gallery");
        EXPECT_EQ(prompts.calls()[1].icon, platform::MessageIcon::Warning);
        EXPECT_EQ(prompts.calls()[2].file.defaultExtension, "htm");
        EXPECT_EQ(prompts.calls()[3].caption, "/start");
        EXPECT_EQ(prompts.unanswered(), 2);
    }
    EXPECT_EQ(platform::ShowMessage(nullptr, "t", "c", MessageButtons::YesNo), PromptAnswer::No);
}

TEST(Prompts, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(platform::ToQtNameFilters("Jpeg images|*.jpg|All Files (*.*)|*.*||"),
              (std::vector<std::string>{"Jpeg images (*.jpg)", "All Files (*.*) (*)"}));
    EXPECT_EQ(platform::ToQtNameFilters("Pictures|*.jpg;*.png||"),
              (std::vector<std::string>{"Pictures (*.jpg *.png)"}));
    EXPECT_TRUE(platform::ToQtNameFilters("").empty());
    EXPECT_TRUE(platform::ToQtNameFilters("dangling").empty());
}

// Answers the next modal message box from inside its own event loop.
void AnswerNextBox(const std::function<void(QMessageBox*)>& act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(box);
    });
}

TEST(Prompts, QtMessageBoxesGiveTheButtonChosen) {
    testing_support::TestApplication();
    platform::QtPrompts prompts;

    AnswerNextBox([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Close gallery");
        EXPECT_EQ(box->text(), "Do you want to save?");
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompts.MessageBox(nullptr, "Do you want to save?", "Close gallery",
                                 MessageButtons::YesNoCancel, platform::MessageIcon::Warning,
                                 std::nullopt),
              PromptAnswer::No);

    AnswerNextBox([](QMessageBox* box) { box->button(QMessageBox::Retry)->click(); });
    EXPECT_EQ(prompts.MessageBox(nullptr, "t", "c", MessageButtons::RetryCancel,
                                 platform::MessageIcon::None, std::nullopt),
              PromptAnswer::Retry);

    AnswerNextBox([](QMessageBox* box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
    });
    EXPECT_EQ(prompts.MessageBox(nullptr, "t", "c", MessageButtons::YesNoCancel,
                                 platform::MessageIcon::Question, std::nullopt),
              PromptAnswer::Cancel);

    // A box that names its safe button gives it to Enter.
    AnswerNextBox([](QMessageBox* box) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    EXPECT_EQ(prompts.MessageBox(nullptr, "t", "c", MessageButtons::OkCancel,
                                 platform::MessageIcon::None, PromptAnswer::Cancel),
              PromptAnswer::Cancel);
}

// Runs `act` on the next modal window of type T, from inside its event loop; a window that
// never comes fails the test with `awaited`.
template <class T>
void WhenModal(const char* awaited, std::function<void(T*)> act) {
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(window);
        } else if (clock->elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no " << awaited << " came";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
        }
    });
    timer->start(10);
}

void PressKey(QWidget* window, Qt::Key key) {
    QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window;
    QTest::keyClick(focus, key);
}

TEST(Prompts, QtSaveDialogAsksBeforeReplacingAFileWhenTold) {
    testing_support::TestApplication();
    platform::QtPrompts prompts;
    testing_support::TempDir temp;
    const std::string original = temp.Write("big1.jpg", "the original picture");
    // The name alone, in the current folder, as the viewer offers it.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp.path());
    platform::FileDialogRequest request;
    request.save = true;
    request.initialPath = "big1.jpg";
    request.defaultExtension = "jpg";
    request.filter = "jpeg files|*.jpg||";
    request.confirmOverwrite = true;

    // Enter, then No to the question: the dialog stays, and Escape leaves it with nothing.
    QString asked;
    WhenModal<QFileDialog>("save dialog", [&](QFileDialog* dialog) {
        WhenModal<QMessageBox>("question before replacing", [&, dialog](QMessageBox* box) {
            asked = box->text();
            box->button(QMessageBox::No)->click();
            WhenModal<QFileDialog>("save dialog again",
                                   [](QFileDialog* again) { PressKey(again, Qt::Key_Escape); });
        });
        PressKey(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(prompts.FileDialog(nullptr, request), std::nullopt);
    EXPECT_TRUE(asked.contains("big1.jpg")) << asked.toStdString();

    // Yes replaces.
    WhenModal<QFileDialog>("save dialog", [](QFileDialog* dialog) {
        WhenModal<QMessageBox>("question before replacing",
                               [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        PressKey(dialog, Qt::Key_Return);
    });
    const std::optional<std::string> chosen = prompts.FileDialog(nullptr, request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*chosen, original)) << *chosen;

    // A new name is taken without a question.
    request.initialPath = "view.jpg";
    WhenModal<QFileDialog>("save dialog",
                           [](QFileDialog* dialog) { PressKey(dialog, Qt::Key_Return); });
    const std::optional<std::string> fresh = prompts.FileDialog(nullptr, request);
    std::filesystem::current_path(before);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_EQ(std::filesystem::path(*fresh).filename(), "view.jpg");
}

}  // namespace
