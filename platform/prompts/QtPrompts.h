#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/prompts/Prompts.h"

namespace platform {

// The prompts of a GUI process: Qt message boxes and file dialogs, shown modal.
class QtPrompts final : public Prompts {
public:
    PromptAnswer MessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                            MessageButtons buttons, MessageIcon icon,
                            std::optional<PromptAnswer> defaultAnswer) override;
    std::optional<std::string> BrowseForFolder(QWidget* owner, std::string_view title,
                                               std::string_view startFolder) override;
    std::optional<std::string> FileDialog(QWidget* owner,
                                          const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(QWidget* owner, std::uint32_t initial) override;
    PrintChoice PrintDialog(QWidget* owner) override;
};

// A filter of "description|patterns|...||" pairs as Qt's name filters. "*.*" (every file
// on the original system) becomes "*", which matches names without a dot too.
std::vector<std::string> ToQtNameFilters(std::string_view filter);

}  // namespace platform
