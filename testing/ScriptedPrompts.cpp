#include "testing/ScriptedPrompts.h"

namespace testing_support {

ScriptedPrompts::ScriptedPrompts() {
    previous_ = platform::SetPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    platform::SetPrompts(previous_);
}

platform::PromptAnswer ScriptedPrompts::MessageBox(
    QWidget* owner, std::string_view text, std::string_view caption,
    platform::MessageButtons buttons, platform::MessageIcon icon,
    std::optional<platform::PromptAnswer> defaultAnswer) {
    Call call;
    call.kind = Kind::Message;
    call.text = std::string(text);
    call.caption = std::string(caption);
    call.buttons = buttons;
    call.icon = icon;
    call.defaultAnswer = defaultAnswer;
    call.hasOwner = owner != nullptr;
    calls_.push_back(std::move(call));
    if (answers_.empty()) {
        ++unanswered_;
        return platform::EscapeAnswer(buttons);
    }
    const platform::PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompts::BrowseForFolder(QWidget* owner, std::string_view title,
                                                            std::string_view startFolder) {
    Call call;
    call.kind = Kind::Folder;
    call.text = std::string(title);
    call.caption = std::string(startFolder);
    call.hasOwner = owner != nullptr;
    calls_.push_back(std::move(call));
    return NextPath();
}

std::optional<std::string> ScriptedPrompts::FileDialog(QWidget* owner,
                                                       const platform::FileDialogRequest& request) {
    Call call;
    call.kind = Kind::File;
    call.text = request.title;
    call.hasOwner = owner != nullptr;
    call.file = request;
    calls_.push_back(std::move(call));
    return NextPath();
}

std::optional<std::string> ScriptedPrompts::NextPath() {
    if (paths_.empty()) {
        ++unanswered_;
        return std::nullopt;
    }
    std::optional<std::string> path = std::move(paths_.front());
    paths_.pop_front();
    return path;
}

std::optional<std::uint32_t> ScriptedPrompts::ChooseColor(QWidget* owner, std::uint32_t initial) {
    Call call;
    call.kind = Kind::Color;
    call.hasOwner = owner != nullptr;
    call.color = initial;
    calls_.push_back(std::move(call));
    if (colors_.empty()) {
        ++unanswered_;
        return std::nullopt;
    }
    const std::optional<std::uint32_t> color = colors_.front();
    colors_.pop_front();
    return color;
}

platform::PrintChoice ScriptedPrompts::PrintDialog(QWidget* owner) {
    Call call;
    call.kind = Kind::Print;
    call.hasOwner = owner != nullptr;
    calls_.push_back(std::move(call));
    if (prints_.empty()) {
        ++unanswered_;
        return {};
    }
    platform::PrintChoice choice = std::move(prints_.front());
    prints_.pop_front();
    return choice;
}

}  // namespace testing_support
