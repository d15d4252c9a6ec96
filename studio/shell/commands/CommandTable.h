#pragma once

#include <vector>

// Every id that has a command object, with the name of its class. RegisterStudioCommands
// gives each of them its class; the table test checks that none is missing.
struct CommandTableEntry {
    int id;
    const char* className;
};

const std::vector<CommandTableEntry>& GetCommandTable();
