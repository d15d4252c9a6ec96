#pragma once

#include <functional>
#include <string>
#include <vector>

#include "studio/shell/commands/Command.h"

class CommandFactory;
class DriveView;
class FileSelection;
class FileView;
class InfoView;

// What the user does with the selected files and folders: view, edit outside, trash, the
// studio's own copy/cut/paste, folder pictures and properties.

// Shows the first selected item: a picture or page in the info pane, a folder in the tree.
class FileOpen final : public Command {
public:
    FileOpen(FileSelection* selection, DriveView* driveView, FileView* fileView,
             InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    DriveView* driveView_;
    FileView* fileView_;
    InfoView* infoView_;
};

// Opens the selected picture or page in the editor the preferences name.
class FileEdit final : public Command {
public:
    explicit FileEdit(FileSelection* selection);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

// Opens the file the info pane shows in its editor.
class FileDisplayedEdit final : public Command {
public:
    explicit FileDisplayedEdit(InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    InfoView* infoView_;
};

// Moves the selected items, and the hidden animations of selected pictures, to the Trash.
class EditDelete final : public Command {
public:
    EditDelete(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    FileView* fileView_;
};

class EditCopy final : public Command {
public:
    explicit EditCopy(FileSelection* selection);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

class EditCut final : public Command {
public:
    explicit EditCut(FileSelection* selection);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

// Copies or moves what the studio clipboard holds into the selected folder.
class EditPaste final : public Command {
public:
    EditPaste(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

// Makes a small picture of the selected image the picture of its folder.
class FileRepresent final : public Command {
public:
    FileRepresent(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

// Removes the selected folder's picture.
class FileDerepresent final : public Command {
public:
    FileDerepresent(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
};

// Shows the properties of the selected items: the desktop's file manager when it offers
// them, else a small dialog of ours.
class FileProperties final : public Command {
public:
    FileProperties(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    FileView* fileView_;
};

// The paths Delete hands to the Trash, in order: a folder's entries before the folder, a
// picture before its hidden animation.
std::vector<std::string> ListForDelete(const FileSelection& selection);

// Whether the clipboard's items may go into `target`: never into one of them or below it
// (compared by whole path components, as the file system spells them), and a cut never
// into the folder it came from.
bool PasteAllowed(const std::string& target, const std::string& sourceFolder,
                  const std::vector<std::string>& items, bool cut);

// The path of a folder picture made from `imagePath`: beside the image's folder, named as
// the folder + ".vtd". Empty when the image lies in the root folder, which has no parent
// to hold it.
std::string FolderPicturePath(const std::string& imagePath);

// Starts an editor with the file as its one argument, in `directory`. Tests replace it.
using ProgramStarter = std::function<bool(const std::string& program, const std::string& file,
                                          const std::string& directory)>;
ProgramStarter SetProgramStarter(ProgramStarter starter);

// Asks the desktop's file manager to show the properties of the files; false when no
// file manager answers. Tests replace it.
using PropertiesAsker = std::function<bool(const std::vector<std::string>& paths)>;
PropertiesAsker SetPropertiesAsker(PropertiesAsker asker);

void RegisterFileCommands(CommandFactory& factory);
