#pragma once

#include "studio/shell/commands/Command.h"

class Animation;
class CMainFrame;
class CommandFactory;
class FileSelection;
class FileView;
class InfoExtraSheet;
class InfoView;
class Vector3;
class VanteloView;

// The commands of the animation project: making, opening, saving, exporting and closing
// it, its animation files beside the pictures, and its points taken from the viewer in the
// page the viewer pane shows.
void RegisterAnimationCommands(CommandFactory& factory);

// ---- The project

class AnimationNew final : public Command {
public:
    AnimationNew(CMainFrame* frame, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
};

// Opens the selected picture's animation. An open animation with unsaved changes is
// offered for saving first, as Close does.
class AnimationOpen final : public Command {
public:
    AnimationOpen(FileSelection* selection, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    InfoView* infoView_;
};

// Takes the selected picture for the animation (a new one when none is open).
class AnimationLoadImage final : public Command {
public:
    AnimationLoadImage(FileSelection* selection, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    InfoView* infoView_;
};

class AnimationSave final : public Command {
public:
    AnimationSave(InfoExtraSheet* sheet, InfoView* infoView, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    InfoExtraSheet* sheet_;
    FileView* fileView_;
};

// Closes the animation, offering to save it first; a save that fails keeps it open.
class AnimationClose final : public Command {
public:
    AnimationClose(CMainFrame* frame, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
};

class AnimationExport final : public Command {
public:
    explicit AnimationExport(InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    InfoView* infoView_;
};

// Deletes the selected picture's animation file.
class AnimationDelete final : public Command {
public:
    AnimationDelete(FileSelection* selection, FileView* fileView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    FileView* fileView_;
};

// ---- The points. Each does nothing unless the viewer pane's page holds a viewer.

class AnimationPointCommand : public Command {
public:
    AnimationPointCommand(int id, InfoExtraSheet* sheet, VanteloView* viewer);
    // Add needs an animation with its picture; the others also a selected point.
    bool IsEnabled() override;

protected:
    // The open animation with its picture, and where the viewer in the shown page stands;
    // null when there is no such animation, no sheet, or no viewer in the page.
    Animation* TakePosition(Vector3& position);

    InfoExtraSheet* sheet_;
    VanteloView* viewer_;
};

class AnimationPosAdd final : public AnimationPointCommand {
public:
    AnimationPosAdd(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};

// Inserts before the selected point; the names "Inserted1", "Inserted2", ... count on
// across every animation of the session.
class AnimationPosInsert final : public AnimationPointCommand {
public:
    AnimationPosInsert(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};

class AnimationPosChange final : public AnimationPointCommand {
public:
    AnimationPosChange(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};

class AnimationPosDelete final : public AnimationPointCommand {
public:
    AnimationPosDelete(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};

class AnimationPosGo final : public AnimationPointCommand {
public:
    AnimationPosGo(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};

class AnimationPosRename final : public AnimationPointCommand {
public:
    AnimationPosRename(InfoExtraSheet* sheet, VanteloView* viewer);
    void Execute() override;
};
