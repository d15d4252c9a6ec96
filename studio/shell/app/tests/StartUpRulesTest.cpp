#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "studio/shell/app/DiskSpace.h"
#include "studio/shell/app/FrameSplitter.h"
#include "studio/shell/app/KivoModule.h"
#include "testing/ScriptedPrompts.h"

namespace {

TEST(StartUpRules, ASwitchCountsOnlyAtTheStartOfAnArgumentAndAsTheLastThingOnTheLine) {
    using S = RegistrationSwitch;
    struct Case {
        std::vector<std::string> arguments;
        S expected;
    };
    const Case cases[] = {
        {{"/RegServer"}, S::RegServer},
        {{"-REGSERVER"}, S::RegServer},
        {{"/x", "-unregserver"}, S::UnregServer},
        {{"a-b", "/RegServer"}, S::RegServer},
        {{"-regserver", "/x"}, S::None},  // another switch follows
        {{"/RegServer", "file"}, S::None},
        {{"x/RegServer"}, S::None},  // a path, not a switch
        {{"/home/me/-RegServer"}, S::None},
        {{"/Reg", "Server"}, S::None},
        {{"/RegServerX"}, S::None},
        {{}, S::None},
        {{""}, S::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindRegistrationSwitch(c.arguments), c.expected) << JoinCommandLine(c.arguments);
    }

    EXPECT_TRUE(HasAutomationSwitch({"-Embedding"}));
    EXPECT_TRUE(HasAutomationSwitch({"x", "/AUTOMATION"}));
    EXPECT_FALSE(HasAutomationSwitch({"x/Embedding"}));
    EXPECT_FALSE(HasAutomationSwitch({"/Embeddings"}));
}

TEST(StartUpRules, PaneSizesFollowTheWorkAreasEdges) {
    // The work area's bottom and right edges, outside it.
    struct Case {
        int bottom;
        int right;
        int row;
        int column;
    };
    const Case cases[] = {
        {768, 1024, 178, 340},  // 768 x 172/740, cut
        {600, 800, 100, 200},  {720, 1280, 152, 340}, {741, 1023, 172, 339},
        {740, 884, 172, 200},  {668, 900, 100, 216},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartRowHeight(c.bottom), c.row) << c.bottom;
        EXPECT_EQ(StartColumnWidth(c.right), c.column) << c.right;
    }
}

TEST(StartUpRules, LowDiskWarningBelowFiftyMegabytesCountedInSixtyFourBits) {
    struct Case {
        std::optional<std::uint64_t> free;
        const char* text;  // null: no warning
    };
    constexpr std::uint64_t kMiB = 1 << 20;
    const Case cases[] = {
        {10 * kMiB, "Your system is running low on free diskspace!\nOnly 10 megabytes left"},
        {50 * kMiB - 1, "Your system is running low on free diskspace!\nOnly 49 megabytes left"},
        {50 * kMiB, nullptr},
        // Ten megabytes above 4 GiB: a 32-bit count would read it as ten.
        {(std::uint64_t{4} << 30) + 10 * kMiB, nullptr},
        {std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        testing_support::ScriptedPrompts prompts;
        WarnWhenDiskLow(c.free);
        if (c.text == nullptr) {
            EXPECT_TRUE(prompts.calls().empty());
            continue;
        }
        ASSERT_EQ(prompts.calls().size(), 1u);
        EXPECT_EQ(prompts.calls()[0].text, c.text);
        EXPECT_EQ(prompts.calls()[0].caption, "c: low on free space");
        EXPECT_EQ(prompts.calls()[0].icon, platform::MessageIcon::Warning);
        EXPECT_FALSE(prompts.calls()[0].hasOwner);
    }
    EXPECT_TRUE(FreeBytesAt("/").has_value());
    EXPECT_FALSE(FreeBytesAt("/nonexistent/folder").has_value());
}

}  // namespace
