#pragma once

#include "studio/shell/commands/Command.h"

class CMainFrame;
class CommandFactory;
class FileSelection;
class FileView;
class InfoView;
class InfoVantelifySheet;
class VanteloView;

// The page project's commands and full screen.

// Starts an empty page project, asking before it replaces an open one.
class VantelifyNew final : public Command {
public:
    VantelifyNew(CMainFrame* frame, InfoView* infoView, FileView* fileView,
                 InfoVantelifySheet* sheet, VanteloView* viewerView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
    VanteloView* viewerView_;
};

// Makes the selected HTML file the page of the page project, starting one when needed.
class VantelifySetFile final : public Command {
public:
    VantelifySetFile(FileSelection* selection, CMainFrame* frame, InfoView* infoView,
                     FileView* fileView, InfoVantelifySheet* sheet, VanteloView* viewerView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    CMainFrame* frame_;
    InfoView* infoView_;
};

// Saves the converted page under a name the user chooses.
class VantelifySave final : public Command {
public:
    explicit VantelifySave(InfoVantelifySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;

private:
    InfoVantelifySheet* sheet_;
};

// Closes the page project, offering to save its changes first.
class VantelifyClose final : public Command {
public:
    VantelifyClose(CMainFrame* frame, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
};

// Shows the picture of the viewer pane full screen.
class ViewFullscreen final : public Command {
public:
    ViewFullscreen(InfoView* infoView, VanteloView* viewerView);
    void Execute() override;
    bool IsEnabled() override;

private:
    InfoView* infoView_;
    VanteloView* viewerView_;
};

void RegisterVantelifyCommands(CommandFactory& factory);
