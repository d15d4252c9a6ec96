#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandTable.h"
#include "studio/shell/commands/StudioCommands.h"
#include "testing/DebugCapture.h"

namespace {

TEST(CommandTable, EveryIdMakesACommandOfItsOwnId) {
    testing_support::DebugCapture quiet;
    CommandFactory factory;
    RegisterStudioCommands(factory);
    std::set<int> ids;
    for (const CommandTableEntry& entry : GetCommandTable()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.className;
        const std::unique_ptr<Command> command = factory.CreateCommand(entry.id);
        ASSERT_NE(command, nullptr) << entry.className << " (" << entry.id << ") is not registered";
        EXPECT_EQ(command->GetId(), entry.id) << entry.className;
    }
    EXPECT_EQ(ids.size(), 40u);
}

}  // namespace
