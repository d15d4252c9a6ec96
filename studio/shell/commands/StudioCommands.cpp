#include "studio/shell/commands/StudioCommands.h"

#include "studio/shell/commands/CommandFactory.h"

void RegisterStudioCommands(CommandFactory& factory) {
    static_cast<void>(factory);
}
