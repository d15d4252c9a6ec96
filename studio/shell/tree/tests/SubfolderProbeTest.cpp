#include "studio/shell/tree/SubfolderProbe.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include <gtest/gtest.h>

#include "testing/TempDir.h"

namespace {

TEST(SubfolderProbeTest, AnswersWhichFoldersHoldShownFoldersOffTheCallersThread) {
    testing_support::TempDir temp;
    for (const char* name : {"full", "full/inner", "files", "secret", "secret/.git", "many"}) {
        ASSERT_EQ(::mkdir(temp.Path(name).c_str(), 0777), 0) << name;
    }
    temp.Write("files/a.txt", "x");
    for (int i = 0; i < 300; ++i) ::mkdir(temp.Path("many/" + std::to_string(i)).c_str(), 0777);

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<SubfolderProbe::Answer> answers;
    SubfolderProbe probe([&](SubfolderProbe::Answer answer) {
        std::lock_guard hold(mutex);
        answers.push_back(std::move(answer));
        arrived.notify_all();
    });
    const std::vector<std::string> folders = {temp.Path("full"), temp.Path("files"),
                                              temp.Path("secret"), temp.Path("gone")};
    probe.Ask(temp.path(), folders, false);
    probe.Ask(temp.path(), {temp.Path("secret")}, true);
    {
        std::unique_lock hold(mutex);
        ASSERT_TRUE(
            arrived.wait_for(hold, std::chrono::seconds(10), [&] { return answers.size() == 2; }));
    }
    ASSERT_EQ(answers[0].parent, temp.path());
    const std::map<std::string, bool> first(answers[0].folders.begin(), answers[0].folders.end());
    EXPECT_TRUE(first.at(temp.Path("full")));
    EXPECT_FALSE(first.at(temp.Path("files")));
    EXPECT_FALSE(first.at(temp.Path("secret")));  // only a hidden one
    EXPECT_FALSE(first.at(temp.Path("gone")));
    ASSERT_EQ(answers[1].folders.size(), 1u);
    EXPECT_TRUE(answers[1].folders[0].second);  // hidden ones shown

    // Questions forgotten or left when the probe goes are never answered.
    std::vector<std::string> lots(2000, temp.Path("many"));
    for (int i = 0; i < 5; ++i) probe.Ask(temp.path(), lots, false);
    probe.Forget();
}

}  // namespace
