#include "viewer-plugin/display/ErrorLog.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "testing/ScriptedPrompts.h"

namespace {

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override { ErrorLog::Instance().Reset(); }
    void TearDown() override { ErrorLog::Instance().Reset(); }

    ErrorLog& log = ErrorLog::Instance();
    testing_support::ScriptedPrompts prompts;
};

TEST_F(ErrorLogTest, EachLevelDoesWhatItsWordSays) {
    log.Log(0, "trace\n");
    log.Log(1, "warning\n");
    log.Log(-1, "below\n");
    log.Log(4, "above\n");
    EXPECT_EQ(log.GetText(), std::nullopt);
    EXPECT_TRUE(prompts.calls().empty());

    log.Log(2, "error one\n");
    log.Log(3, "must see\n");
    log.Log(2, "error two\n");
    EXPECT_EQ(log.GetText(), "error one\nerror two\n");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "must see\n");
    EXPECT_EQ(prompts.calls()[0].caption, "ErrorLog");
    EXPECT_EQ(prompts.calls()[0].buttons, platform::MessageButtons::Ok);
    EXPECT_FALSE(prompts.calls()[0].hasOwner);
}

TEST_F(ErrorLogTest, BoxesFromOtherThreadsGoToTheGuiThread) {
    std::vector<std::function<void()>> posted;
    log.SetGuiHandOver([&](std::function<void()> task) { posted.push_back(std::move(task)); });

    log.Log(3, "on the GUI thread\n");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_TRUE(posted.empty());

    std::thread loader([&] { log.Log(3, "from the loader\n"); });
    loader.join();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(prompts.calls().size(), 1u);  // nothing shown on the loader thread
    posted[0]();
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text, "from the loader\n");
}

TEST_F(ErrorLogTest, TwoThreadsLoggingAtOnceLoseNoLine) {
    constexpr int kLines = 2000;
    auto writer = [&](char name) {
        for (int i = 0; i < kLines; ++i) log.Log(2, std::string(1, name) + "\n");
    };
    std::thread window(writer, 'w');
    std::thread loader(writer, 'l');
    window.join();
    loader.join();
    const std::string text = log.GetText().value_or("");
    ASSERT_EQ(text.size(), 4u * kLines);
    int windowLines = 0;
    int loaderLines = 0;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        ASSERT_EQ(text[i + 1], '\n');
        windowLines += text[i] == 'w';
        loaderLines += text[i] == 'l';
    }
    EXPECT_EQ(windowLines, kLines);
    EXPECT_EQ(loaderLines, kLines);
}

}  // namespace
