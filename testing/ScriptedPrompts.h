#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts/Prompts.h"

namespace testing_support {

// Prompts for tests: installed while the object lives, answering from queues and recording
// every question. A question that finds its queue empty gets the Escape answer (or a
// cancelled dialog) and is counted as unanswered.
class ScriptedPrompts final : public platform::Prompts {
public:
    enum class Kind { Message, Folder, File, Color, Print };
    struct Call {
        Kind kind = Kind::Message;
        std::string text;     // the message, or the dialog's title
        std::string caption;  // the message's caption; a folder dialog's start folder
        platform::MessageButtons buttons = platform::MessageButtons::Ok;
        platform::MessageIcon icon = platform::MessageIcon::None;
        std::optional<platform::PromptAnswer> defaultAnswer;  // the box's Enter button
        bool hasOwner = false;
        platform::FileDialogRequest file;
        std::uint32_t color = 0;  // a colour dialog's starting colour
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void Answer(platform::PromptAnswer answer) { answers_.push_back(answer); }
    // The next folder or file dialog chooses this path (none: cancelled).
    void AnswerPath(std::optional<std::string> path) { paths_.push_back(std::move(path)); }
    // The next colour dialog chooses this 0xRRGGBB colour (none: cancelled).
    void AnswerColor(std::optional<std::uint32_t> color) { colors_.push_back(color); }
    // The next print dialog chooses this target (a PDF file standing in for a printer).
    void AnswerPrint(std::unique_ptr<platform::PrintTarget> target) {
        prints_.push_back(platform::PrintChoice{std::move(target), 0});
    }
    // The next print dialog chooses nothing, failing with `error` (0: the user cancelled).
    void AnswerPrintCancel(int error) { prints_.push_back(platform::PrintChoice{nullptr, error}); }

    const std::vector<Call>& calls() const { return calls_; }
    int unanswered() const { return unanswered_; }

    platform::PromptAnswer MessageBox(QWidget* owner, std::string_view text,
                                      std::string_view caption, platform::MessageButtons buttons,
                                      platform::MessageIcon icon,
                                      std::optional<platform::PromptAnswer> defaultAnswer) override;
    std::optional<std::string> BrowseForFolder(QWidget* owner, std::string_view title,
                                               std::string_view startFolder) override;
    std::optional<std::string> FileDialog(QWidget* owner,
                                          const platform::FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(QWidget* owner, std::uint32_t initial) override;
    platform::PrintChoice PrintDialog(QWidget* owner) override;

private:
    std::optional<std::string> NextPath();

    std::deque<platform::PromptAnswer> answers_;
    std::deque<std::optional<std::string>> paths_;
    std::deque<std::optional<std::uint32_t>> colors_;
    std::deque<platform::PrintChoice> prints_;
    std::vector<Call> calls_;
    int unanswered_ = 0;
    platform::Prompts* previous_ = nullptr;
};

}  // namespace testing_support
