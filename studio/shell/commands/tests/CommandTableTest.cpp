#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandTable.h"
#include "studio/shell/commands/StudioCommands.h"
#include "testing/DebugCapture.h"

namespace {

// Ids whose command class has not landed yet. Each command family removes its own ids when
// it registers them, so that none is forgotten.
const std::set<int> kPending = {
    32776, 32793, 32794,
    32805, 32806, 32825, 32851, 32852, 57601, 57634, 57635, 57637,
};

TEST(CommandTable, EveryIdMakesACommandOfItsOwnIdOrIsListedAsPending) {
    testing_support::DebugCapture quiet;
    CommandFactory factory;
    RegisterStudioCommands(factory);
    std::set<int> ids;
    for (const CommandTableEntry& entry : GetCommandTable()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.className;
        std::unique_ptr<Command> command = factory.CreateCommand(entry.id);
        if (kPending.count(entry.id) != 0) {
            EXPECT_EQ(command, nullptr)
                << entry.className << " has landed: remove " << entry.id << " from kPending";
        } else if (command == nullptr) {
            ADD_FAILURE() << entry.className << " (" << entry.id << ") is not registered";
        } else {
            EXPECT_EQ(command->GetId(), entry.id) << entry.className;
        }
    }
    EXPECT_EQ(ids.size(), 40u);
    for (int id : kPending) EXPECT_EQ(ids.count(id), 1u) << id;
}

}  // namespace
