#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/prompts/PrintTarget.h"

class QWidget;

// Message boxes and the folder and file dialogs. Code that asks the user goes through the
// current Prompts: a GUI process installs the Qt implementation at start-up, a test installs
// scripted answers. Nothing here needs Qt; an owner is only passed through.
namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
// Fixed numbers: each answer keeps the value of the message-box result it stands for.
enum class PromptAnswer { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

struct FileDialogRequest {
    bool save = false;
    std::string title;             // empty: the toolkit's own
    std::string initialPath;       // a folder, or a file name to start with
    std::string defaultExtension;  // without the dot; added to a name typed without one
    // Pairs of description and patterns, each ended by '|', the whole ended by a second
    // '|': "Jpeg images|*.jpg|All Files (*.*)|*.*||". Empty: every file.
    std::string filter;
    bool confirmOverwrite = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // An empty caption stands for the application's name. `defaultAnswer` names the button
    // that Enter presses (none: the box's first); a box whose safe choice is not its first
    // button names it.
    virtual PromptAnswer MessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                                    MessageButtons buttons, MessageIcon icon,
                                    std::optional<PromptAnswer> defaultAnswer) = 0;
    // The chosen folder, or none when the user cancelled.
    virtual std::optional<std::string> BrowseForFolder(QWidget* owner, std::string_view title,
                                                       std::string_view startFolder) = 0;
    // The chosen file, or none when the user cancelled.
    virtual std::optional<std::string> FileDialog(QWidget* owner,
                                                  const FileDialogRequest& request) = 0;
    // The colour dialog, opening on `initial`; colours are 0xRRGGBB. None when cancelled.
    virtual std::optional<std::uint32_t> ChooseColor(QWidget* owner, std::uint32_t initial) = 0;
    // The print dialog, one copy of page 1. Without a printer to offer, nothing is chosen.
    virtual PrintChoice PrintDialog(QWidget* owner);
};

// The prompts in use. Before any are installed, a quiet stand-in answers every question as
// its dialog's Escape key would (OK for a box with OK alone, else Cancel, or No without
// Cancel) and cancels every dialog.
Prompts& CurrentPrompts();
// Installs prompts (null: the quiet stand-in again) and returns those installed before.
Prompts* SetPrompts(Prompts* prompts);

// The answer a box gives when it is dismissed without a choice.
PromptAnswer EscapeAnswer(MessageButtons buttons);

// Shorthand for CurrentPrompts().MessageBox.
PromptAnswer ShowMessage(QWidget* owner, std::string_view text, std::string_view caption,
                         MessageButtons buttons = MessageButtons::Ok,
                         MessageIcon icon = MessageIcon::None,
                         std::optional<PromptAnswer> defaultAnswer = std::nullopt);

}  // namespace platform
