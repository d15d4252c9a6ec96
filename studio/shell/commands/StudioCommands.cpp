#include "studio/shell/commands/StudioCommands.h"

#include "studio/shell/animation/AnimationCommands.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/filecmds/FileCommands.h"
#include "studio/shell/gallery/GalleryCommands.h"
#include "studio/shell/vantelify/VantelifyCommands.h"

void RegisterStudioCommands(CommandFactory& factory) {
    RegisterAnimationCommands(factory);
    RegisterGalleryCommands(factory);
    RegisterVantelifyCommands(factory);
    RegisterFileCommands(factory);
}
