#pragma once

#include "studio/shell/commands/Command.h"

class CMainFrame;
class CommandFactory;
class FileSelection;
class InfoGallerySheet;
class InfoView;

// The gallery project's commands: making, filling, ordering, configuring, exporting and
// closing it.

// Starts an empty gallery, asking before it replaces an open one.
class GalleryNew final : public Command {
public:
    GalleryNew(CMainFrame* frame, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
};

// Adds the selected pictures, starting a gallery when none is open.
class GalleryAddFiles final : public Command {
public:
    GalleryAddFiles(FileSelection* selection, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    FileSelection* selection_;
    InfoView* infoView_;
};

// The sheet's selected picture: removed, or moved one place up or down.
class GallerySheetCommand : public Command {
public:
    GallerySheetCommand(int id, InfoGallerySheet* sheet) : Command(id), sheet_(sheet) {}

protected:
    InfoGallerySheet* sheet_;
};

class GalleryRemove final : public GallerySheetCommand {
public:
    explicit GalleryRemove(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

class GalleryUp final : public GallerySheetCommand {
public:
    explicit GalleryUp(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

class GalleryDown final : public GallerySheetCommand {
public:
    explicit GalleryDown(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

// Writes the gallery into a folder the user chooses.
class GallerySave final : public GallerySheetCommand {
public:
    explicit GallerySave(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

// The options dialog of the template's variables.
class GalleryConfigure final : public GallerySheetCommand {
public:
    explicit GalleryConfigure(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

// Shows the first index page again.
class GalleryHome final : public GallerySheetCommand {
public:
    explicit GalleryHome(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

// "Remove all images".
class GalleryRemoveAll final : public GallerySheetCommand {
public:
    explicit GalleryRemoveAll(InfoGallerySheet* sheet);
    void Execute() override;
    bool IsEnabled() override;
};

// Closes the gallery, offering to export its changes first.
class GalleryClose final : public Command {
public:
    GalleryClose(CMainFrame* frame, InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override;

private:
    CMainFrame* frame_;
    InfoView* infoView_;
};

void RegisterGalleryCommands(CommandFactory& factory);
