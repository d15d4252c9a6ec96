#include "platform/prompts/Prompts.h"

#include <atomic>

namespace platform {
namespace {

class QuietPrompts final : public Prompts {
public:
    PromptAnswer MessageBox(QWidget*, std::string_view, std::string_view, MessageButtons buttons,
                            MessageIcon) override {
        return EscapeAnswer(buttons);
    }
    std::optional<std::string> BrowseForFolder(QWidget*, std::string_view,
                                               std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> FileDialog(QWidget*, const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::uint32_t> ChooseColor(QWidget*, std::uint32_t) override {
        return std::nullopt;
    }
};

QuietPrompts quiet;
std::atomic<Prompts*> current{nullptr};

}  // namespace

PrintChoice Prompts::PrintDialog(QWidget*) {
    return {};
}

Prompts& CurrentPrompts() {
    Prompts* p = current.load();
    return p != nullptr ? *p : quiet;
}

Prompts* SetPrompts(Prompts* prompts) {
    return current.exchange(prompts);
}

PromptAnswer EscapeAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return PromptAnswer::Ok;
        case MessageButtons::YesNo:
            return PromptAnswer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
        case MessageButtons::RetryCancel:
            break;
    }
    return PromptAnswer::Cancel;
}

PromptAnswer ShowMessage(QWidget* owner, std::string_view text, std::string_view caption,
                         MessageButtons buttons, MessageIcon icon) {
    return CurrentPrompts().MessageBox(owner, text, caption, buttons, icon);
}

}  // namespace platform
