#include "studio/shell/commands/CommandFactory.h"

#include <exception>
#include <string>

#include "platform/debug/Debug.h"
#include "studio/core/Progress.h"
#include "studio/shell/commands/CommandIds.h"

namespace {

CommandFactory*& FactorySlot() {
    static CommandFactory* factory = nullptr;
    return factory;
}

// Commands run from window events; nothing they throw may unwind into the toolkit.
void ReportFailure(int id, const char* what) {
    platform::DebugOutput("Command " + std::to_string(id) + " failed: " + what + "\n");
}

}  // namespace

void CommandFactory::SetViews(CMainFrame* frame, DriveView* driveView, FileView* fileView,
                              InfoView* infoView, VanteloView* viewerView,
                              FileSelection* selection) {
    context_.frame = frame;
    context_.driveView = driveView;
    context_.fileView = fileView;
    context_.infoView = infoView;
    context_.viewerView = viewerView;
    context_.selection = selection;
}

void CommandFactory::SetSheets(InfoImageSheet* imageSheet, InfoExtraSheet* animationSheet,
                               InfoGallerySheet* gallerySheet, InfoVantelifySheet* pageSheet) {
    context_.imageSheet = imageSheet;
    context_.animationSheet = animationSheet;
    context_.gallerySheet = gallerySheet;
    context_.pageSheet = pageSheet;
}

void CommandFactory::Register(int id, Creator creator) {
    creators_[static_cast<std::uint16_t>(id)] = std::move(creator);
}

std::unique_ptr<Command> CommandFactory::CreateCommand(int id) const {
    const auto found = creators_.find(static_cast<std::uint16_t>(id));
    if (found == creators_.end() || !found->second) {
        platform::DebugOutput("Unknown identifier given to CreateCommand\n");
        return nullptr;
    }
    return found->second(context_);
}

CommandFactory* SetCommandFactory(CommandFactory* factory) {
    CommandFactory* previous = FactorySlot();
    FactorySlot() = factory;
    return previous;
}

CommandFactory* GetCommandFactory() {
    return FactorySlot();
}

bool ChangesProjects(int id) {
    switch (id) {
        case kGalleryAddFiles:
        case kGalleryNew:
        case kGalleryRemove:
        case kGalleryUp:
        case kGalleryDown:
        case kGallerySave:
        case kGalleryConfigure:
        case kGalleryClose:
        case kGalleryRemoveAll:
        case kVantelifyNew:
        case kVantelifySave:
        case kVantelifyClose:
        case kVantelifySetFile:
        case kAnimationNew:
        case kAnimationSave:
        case kAnimationClose:
        case kAnimationPosAdd:
        case kAnimationPosDelete:
        case kAnimationPosChange:
        case kAnimationPosInsert:
        case kAnimationOpen:
        case kAnimationExport:
        case kAnimationLoadImage:
        case kAnimationPosRename:
        // The preferences set what adding pictures and exports make.
        case kEditPreferences:
        case kClose:
        case kSave:
        case kExit:
            return true;
        default:
            return false;
    }
}

bool RefusedWhileBusy(int id) {
    return ChangesProjects(id) && LongOperationRunning();
}

bool ExecuteCommand(int id) {
    if (RefusedWhileBusy(id)) {
        platform::DebugOutput("Command " + std::to_string(id) +
                              " refused: a long operation runs\n");
        return false;
    }
    CommandFactory* factory = GetCommandFactory();
    if (factory == nullptr) return true;
    try {
        std::unique_ptr<Command> command = factory->CreateCommand(id);
        if (command == nullptr) return true;
        command->Execute();
        return !command->Failed();
    } catch (const std::exception& error) {
        ReportFailure(id, error.what());
    } catch (...) {
        ReportFailure(id, "unknown error");
    }
    return false;
}

bool IsCommandEnabled(int id) {
    CommandFactory* factory = GetCommandFactory();
    if (factory == nullptr) return false;
    try {
        std::unique_ptr<Command> command = factory->CreateCommand(id);
        return command != nullptr && command->IsEnabled();
    } catch (const std::exception& error) {
        ReportFailure(id, error.what());
    } catch (...) {
        ReportFailure(id, "unknown error");
    }
    return false;
}
