#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "studio/core/PidlPath.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/commands/OpenProjects.h"
#include "testing/DebugCapture.h"

namespace {

constexpr const char* kUnknown = "Unknown identifier given to CreateCommand\n";

struct Log {
    int made = 0;
    int alive = 0;
    int runs = 0;
    bool enabled = false;
    bool throws = false;
    const void* firstContext = nullptr;
    const void* secondContext = nullptr;
};
Log* theLog = nullptr;

// A command as the studio's command classes are: built with two context pointers.
class FakeCommand final : public Command {
public:
    FakeCommand(FileSelection* selection, InfoView* infoView) : Command(kGalleryAddFiles) {
        ++theLog->made;
        ++theLog->alive;
        theLog->firstContext = selection;
        theLog->secondContext = infoView;
    }
    ~FakeCommand() override { --theLog->alive; }
    void Execute() override {
        if (theLog->throws) throw std::runtime_error("broken");
        ++theLog->runs;
    }
    bool IsEnabled() override {
        if (theLog->throws) throw std::runtime_error("broken");
        return theLog->enabled;
    }
};

class CommandFactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        theLog = &log;
        factory.Register<FakeCommand>(kGalleryAddFiles, &CommandContext::selection,
                                      &CommandContext::infoView);
        previous = SetCommandFactory(&factory);
    }
    void TearDown() override {
        SetCommandFactory(previous);
        theLog = nullptr;
    }

    Log log;
    CommandFactory factory;
    CommandFactory* previous = nullptr;
};

TEST_F(CommandFactoryTest, AnUnknownIdGivesNothingAndOneDebugLinePerCall) {
    testing_support::DebugCapture debug;
    EXPECT_FALSE(IsCommandEnabled(12345));
    ExecuteCommand(12345);
    EXPECT_EQ(factory.CreateCommand(kFileOpen), nullptr);
    EXPECT_EQ(debug.lines(), (std::vector<std::string>{kUnknown, kUnknown, kUnknown}));
    EXPECT_EQ(log.made, 0);

    // Without a factory there is nothing to ask and nothing to say.
    SetCommandFactory(nullptr);
    debug.Clear();
    EXPECT_FALSE(IsCommandEnabled(kGalleryAddFiles));
    ExecuteCommand(kGalleryAddFiles);
    EXPECT_TRUE(debug.lines().empty());
    EXPECT_EQ(log.made, 0);
}

TEST_F(CommandFactoryTest, CommandsAreMadeWithTheirContextForOneCallEach) {
    auto* selection = reinterpret_cast<FileSelection*>(0x10);
    auto* infoView = reinterpret_cast<InfoView*>(0x20);
    factory.SetViews(nullptr, nullptr, nullptr, infoView, nullptr, selection);

    // Only the low 16 bits of an id count.
    for (int id : {int{kGalleryAddFiles}, kGalleryAddFiles + 0x10000, kGalleryAddFiles - 0x10000}) {
        std::unique_ptr<Command> command = factory.CreateCommand(id);
        ASSERT_NE(command, nullptr) << id;
        EXPECT_EQ(command->GetId(), kGalleryAddFiles);
    }
    EXPECT_EQ(log.firstContext, selection);
    EXPECT_EQ(log.secondContext, infoView);

    // Running does not ask whether the command is enabled: the caller has decided.
    log.enabled = false;
    EXPECT_TRUE(ExecuteCommand(kGalleryAddFiles));
    EXPECT_EQ(log.runs, 1);
    EXPECT_FALSE(IsCommandEnabled(kGalleryAddFiles));
    log.enabled = true;
    EXPECT_TRUE(IsCommandEnabled(kGalleryAddFiles));
    EXPECT_EQ(log.alive, 0);
}

TEST_F(CommandFactoryTest, AFailingCommandNeitherThrowsNorCountsAsEnabled) {
    testing_support::DebugCapture debug;
    log.throws = true;
    log.enabled = true;
    bool done = true;
    EXPECT_NO_THROW(done = ExecuteCommand(kGalleryAddFiles));
    EXPECT_FALSE(done);  // a failure, not a success
    EXPECT_FALSE(IsCommandEnabled(kGalleryAddFiles));
    EXPECT_EQ(debug.lines().size(), 2u);
    EXPECT_EQ(log.alive, 0);
}

TEST_F(CommandFactoryTest, ACommandObjectEntryPreparesThenAsksTheCommand) {
    int prepared = 0;
    CommandTarget frame;
    frame.MapCommandObject(kGalleryAddFiles, [&] { ++prepared; });

    CmdUI ui(kGalleryAddFiles);
    log.enabled = false;
    EXPECT_TRUE(frame.OnUpdate(ui));
    EXPECT_FALSE(ui.IsEnabled());
    EXPECT_TRUE(frame.OnCommand(kGalleryAddFiles));
    EXPECT_EQ(log.runs, 1);
    EXPECT_EQ(prepared, 2);

    CmdUI other(kFileOpen);
    EXPECT_FALSE(frame.OnUpdate(other));
    EXPECT_FALSE(frame.OnCommand(kFileOpen));
}

struct NoNavigator : PageNavigator {
    bool Navigate(const std::string&) override { return true; }
};
struct NoScript : PageScriptWriter {
    bool WriteVanteloScript(const std::string&) override { return true; }
};

// Records whether the project was still published while it was being deleted.
class WatchedProject final : public Vantelifier {
public:
    WatchedProject(int& deleted, bool& sawItself)
        : Vantelifier(navigator, script, PidlPath()), deleted_(deleted), sawItself_(sawItself) {}
    ~WatchedProject() override {
        ++deleted_;
        sawItself_ = CurrentVantelifier() == this;
    }

private:
    NoNavigator navigator;
    NoScript script;
    int& deleted_;
    bool& sawItself_;
};

TEST(OpenProjects, ReplacingAProjectDeletesTheOldOneAfterUnpublishingIt) {
    int deleted = 0;
    bool sawItself = true;
    SetCurrentVantelifier(std::make_unique<WatchedProject>(deleted, sawItself));
    ASSERT_NE(CurrentVantelifier(), nullptr);
    EXPECT_EQ(CurrentGallery(), nullptr);
    EXPECT_EQ(CurrentAnimation(), nullptr);
    CloseOpenProjects();
    EXPECT_EQ(CurrentVantelifier(), nullptr);
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(sawItself);
}

}  // namespace
