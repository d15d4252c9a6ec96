#include "viewer-plugin/display/GuiHandOver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <thread>

#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/display/ErrorLog.h"

namespace {

TEST(GuiHandOverTest, ABoxLoggedOnTheLoaderIsShownByTheGuiLoop) {
    testing_support::TestApplication();
    testing_support::ScriptedPrompts prompts;
    ErrorLog::Instance().Reset();
    ConnectErrorLogToGui();

    std::thread loader([] { ErrorLog::Instance().Log(3, "Failed to lock surface\n"); });
    loader.join();
    EXPECT_TRUE(prompts.calls().empty());

    QCoreApplication::processEvents();
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to lock surface\n");
    EXPECT_EQ(prompts.calls()[0].caption, "ErrorLog");
    ErrorLog::Instance().Reset();
}

}  // namespace
