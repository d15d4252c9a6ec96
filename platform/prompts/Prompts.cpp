#include "platform/prompts/Prompts.h"

#include <dlfcn.h>

#include <atomic>

using PromptsSlot = std::atomic<platform::Prompts*>;

// The installed prompts are one per process, however many shared libraries carry a copy of
// this file: the program exports its slot under this unmangled name (see CMakeLists.txt), and
// every copy, the program's own or one in a library it loaded, looks that slot up and uses it.
// In a program that exports none (someone else's browser, say) each copy keeps its own.
extern "C" __attribute__((visibility("default"), used)) PromptsSlot* VanteloProcessPromptsSlot() {
    static PromptsSlot slot{nullptr};
    return &slot;
}

namespace platform {
namespace {

class QuietPrompts final : public Prompts {
public:
    PromptAnswer MessageBox(QWidget*, std::string_view, std::string_view, MessageButtons buttons,
                            MessageIcon, std::optional<PromptAnswer>) override {
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

PromptsSlot* FindSlot() {
    using SlotEntry = PromptsSlot* (*)();
    void* entry = ::dlsym(RTLD_DEFAULT, "VanteloProcessPromptsSlot");
    PromptsSlot* shared = entry != nullptr ? reinterpret_cast<SlotEntry>(entry)() : nullptr;
    return shared != nullptr ? shared : VanteloProcessPromptsSlot();
}

PromptsSlot& Current() {
    static PromptsSlot* const slot = FindSlot();
    return *slot;
}

}  // namespace

PrintChoice Prompts::PrintDialog(QWidget*) {
    return {};
}

Prompts& CurrentPrompts() {
    Prompts* p = Current().load();
    return p != nullptr ? *p : quiet;
}

Prompts* SetPrompts(Prompts* prompts) {
    return Current().exchange(prompts);
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
                         MessageButtons buttons, MessageIcon icon,
                         std::optional<PromptAnswer> defaultAnswer) {
    return CurrentPrompts().MessageBox(owner, text, caption, buttons, icon, defaultAnswer);
}

}  // namespace platform
