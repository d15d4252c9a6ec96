#pragma once

#include <string>

#include "studio/shell/commands/Command.h"

class CommandFactory;
class FileSelection;
class FileView;

// Edits the IPTC texts of the one selected JPEG file in the "File info" sheet and writes
// them into the file on OK.
class FileInfoProperties final : public Command {
public:
    FileInfoProperties(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    FileView* fileView_;
};

void RegisterFileInfoCommands(CommandFactory& factory);
