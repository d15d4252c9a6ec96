#pragma once

class CommandFactory;

// Gives each id of the command table its class. The frame calls it once on the factory it
// makes; each command family adds its own registration here as it lands.
void RegisterStudioCommands(CommandFactory& factory);
