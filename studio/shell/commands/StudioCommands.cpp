#include "studio/shell/commands/StudioCommands.h"

#include "studio/shell/animation/AnimationCommands.h"
#include "studio/shell/commands/CommandFactory.h"

void RegisterStudioCommands(CommandFactory& factory) {
    RegisterAnimationCommands(factory);
}
