#include "platform/prompts/Prompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/prompts/QtPrompts.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"

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
                                 MessageButtons::YesNoCancel, platform::MessageIcon::Warning, std::nullopt),
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

}  // namespace
