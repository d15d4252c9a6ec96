#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "studio/shell/commands/Command.h"

class CMainFrame;
class DriveView;
class FileView;
class InfoView;
class VanteloView;
class FileSelection;
class InfoImageSheet;
class InfoExtraSheet;
class InfoGallerySheet;
class InfoVantelifySheet;

// The windows and shared objects commands are made with. None is owned; each is null until
// the frame (views) or the info pane (sheets) hands it over.
struct CommandContext {
    CMainFrame* frame = nullptr;
    DriveView* driveView = nullptr;
    FileView* fileView = nullptr;
    InfoView* infoView = nullptr;
    VanteloView* viewerView = nullptr;
    FileSelection* selection = nullptr;
    InfoImageSheet* imageSheet = nullptr;
    InfoExtraSheet* animationSheet = nullptr;
    InfoGallerySheet* gallerySheet = nullptr;
    InfoVantelifySheet* pageSheet = nullptr;
};

// Makes the command object of an id. The studio has one factory, made and published by the
// main frame (SetCommandFactory); ExecuteCommand and IsCommandEnabled below go through it.
//
// Registering a command class: give its id the members of CommandContext its constructor
// takes, in order, e.g.
//     factory.Register<GalleryAddFiles>(kGalleryAddFiles, &CommandContext::selection,
//                                       &CommandContext::infoView);
// The studio's own classes are registered by RegisterStudioCommands (StudioCommands.h);
// a command family adds its registration there.
class CommandFactory {
public:
    using Creator = std::function<std::unique_ptr<Command>(const CommandContext&)>;

    CommandFactory() = default;
    CommandFactory(const CommandFactory&) = delete;
    CommandFactory& operator=(const CommandFactory&) = delete;

    void SetViews(CMainFrame* frame, DriveView* driveView, FileView* fileView, InfoView* infoView,
                  VanteloView* viewerView, FileSelection* selection);
    void SetSheets(InfoImageSheet* imageSheet, InfoExtraSheet* animationSheet,
                   InfoGallerySheet* gallerySheet, InfoVantelifySheet* pageSheet);
    const CommandContext& GetContext() const { return context_; }

    // A later registration of the same id replaces the earlier one.
    void Register(int id, Creator creator);
    template <class C, class... Fields>
    void Register(int id, Fields CommandContext::*... fields) {
        Register(id, [fields...](const CommandContext& context) -> std::unique_ptr<Command> {
            return std::make_unique<C>(context.*fields...);
        });
    }

    // Only the low 16 bits of the id count, as they do in the window messages that carry it.
    // An id without a class gives null and a debug line.
    std::unique_ptr<Command> CreateCommand(int id) const;

private:
    CommandContext context_;
    std::map<std::uint16_t, Creator> creators_;
};

// The program's factory; null before the frame makes it and after it goes. Returns the
// previous one.
CommandFactory* SetCommandFactory(CommandFactory* factory);
CommandFactory* GetCommandFactory();

// Runs the command of an id whatever its enabled state: the caller has decided. Nothing
// happens for an id without a command (or without a factory). False when the command ran
// and failed (Command::Failed, or an exception it let out), and when it was refused because
// it would open, close or change a project while a long operation holds one.
bool ExecuteCommand(int id);
// The command's own answer; false for an id without a command. It stays the command's
// state during a long operation, so buttons set from it are right once the operation ends;
// what refuses is ExecuteCommand, and the router for menus and shortcuts.
bool IsCommandEnabled(int id);

// Ids that open, close or change a project, or end the studio (which closes them): while a
// long operation runs (LongOperationRunning) ExecuteCommand does not run them and the
// router greys and refuses them.
bool ChangesProjects(int id);
bool RefusedWhileBusy(int id);
