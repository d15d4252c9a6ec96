#include "studio/shell/commands/StudioCommands.h"

#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/vantelify/VantelifyCommands.h"

void RegisterStudioCommands(CommandFactory& factory) {
    RegisterVantelifyCommands(factory);
}
