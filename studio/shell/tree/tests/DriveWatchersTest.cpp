#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "platform/shellns/DriveKinds.h"
#include "studio/shell/tree/DriveWatchers.h"
#include "testing/TempDir.h"

namespace {

namespace sh = platform::shellns;
using testing_support::TempDir;

bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void MakeFolder(const std::string& path) {
    ASSERT_EQ(::mkdir(path.c_str(), 0777), 0) << path;
}

TEST(DriveWatchers, OnlyFixedRemoteAndRamDrivesOfTheMountTableAreWatched) {
    TempDir temp;
    const std::vector<std::string> names = {"disk", "share", "ram", "stick", "cdrom", "loop"};
    std::string table = "1 0 254:0 / / rw - ext4 /dev/vda rw\n";
    const char* lines[] = {
        " rw - ext4 /dev/sda1 rw\n", " rw - nfs4 server:/x rw\n",   " rw - tmpfs tmpfs rw\n",
        " rw - vfat /dev/sdb1 rw\n", " ro - iso9660 /dev/sr0 ro\n", " rw - udf /dev/sr1 ro\n",
    };
    const char* devices[] = {"8:1", "0:40", "0:41", "8:17", "11:0", "11:1"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        MakeFolder(temp.Path(names[i]));
        table +=
            std::to_string(10 + i) + " 1 " + devices[i] + " / " + temp.Path(names[i]) + lines[i];
    }
    const auto drives = sh::ParseDriveKinds(
        table, [](std::uint32_t major, std::uint32_t minor) { return major == 8 && minor == 17; });

    std::vector<sh::DriveInfo> chosen;  // the system's own root stays out of the test
    std::copy_if(drives.begin(), drives.end(), std::back_inserter(chosen),
                 [](const sh::DriveInfo& d) { return d.root != "/"; });
    DriveWatchers watchers([] {});
    watchers.Start(chosen);
    std::vector<std::string> roots = watchers.GetRoots();
    std::sort(roots.begin(), roots.end());
    EXPECT_EQ(roots,
              (std::vector<std::string>{temp.Path("disk"), temp.Path("ram"), temp.Path("share")}));
    // Started twice, still one watcher each.
    watchers.Start(chosen);
    EXPECT_EQ(watchers.Count(), 3);
}

TEST(DriveWatchers, StoppingTwentyWatchersJoinsEveryThread) {
    TempDir temp;
    std::vector<sh::DriveInfo> drives;
    std::vector<std::string> folders;
    for (int i = 0; i < 20; ++i) {
        const std::string root = temp.Path("drive" + std::to_string(i));
        MakeFolder(root);
        drives.push_back({root, sh::DriveKind::Fixed});
        folders.push_back(root);
    }
    DriveWatchers watchers([] {});
    watchers.SetFolders(folders);
    for (int round = 0; round < 2; ++round) {  // the shared stop signal is ready again
        watchers.Start(drives);
        EXPECT_EQ(watchers.Count(), 20);
        EXPECT_EQ(watchers.GetWatchedFolders().size(), 20u);
        EXPECT_EQ(watchers.LiveThreads(), 20);
        watchers.Stop();
        EXPECT_FALSE(watchers.IsRunning());
        EXPECT_EQ(watchers.LiveThreads(), 0);
    }
}

TEST(DriveWatchers, ABurstOfNewFoldersInALoadedFolderCallsOnce) {
    TempDir temp;
    MakeFolder(temp.Path("loaded"));
    MakeFolder(temp.Path("unloaded"));
    std::atomic<int> calls{0};
    DriveWatchers watchers([&calls] { ++calls; });
    watchers.SetFolders({temp.path(), temp.Path("loaded")});
    watchers.Start({{temp.path(), sh::DriveKind::Fixed}});
    ASSERT_EQ(watchers.GetWatchedFolders().size(), 2u);

    // Files and folders the tree never loaded do not count.
    temp.Write("loaded/file.txt", "x");
    MakeFolder(temp.Path("unloaded/inner"));
    Pause(200);
    EXPECT_EQ(calls.load(), 0);

    for (int i = 0; i < 10; ++i) MakeFolder(temp.Path("loaded/new" + std::to_string(i)));
    ASSERT_TRUE(WaitFor([&calls] { return calls.load() == 1; }));
    Pause(200);
    EXPECT_EQ(calls.load(), 1);

    // Until the owner has refreshed, further changes are covered by the first call.
    MakeFolder(temp.Path("loaded/later"));
    Pause(200);
    EXPECT_EQ(calls.load(), 1);
    watchers.ClearPending();
    ASSERT_EQ(::rename(temp.Path("loaded/later").c_str(), temp.Path("moved").c_str()), 0);
    EXPECT_TRUE(WaitFor([&calls] { return calls.load() == 2; }));

    // A folder no longer loaded is no longer watched.
    watchers.SetFolders({temp.path()});
    EXPECT_EQ(watchers.GetWatchedFolders(), std::vector<std::string>{temp.path()});
    watchers.ClearPending();
    MakeFolder(temp.Path("loaded/after"));
    Pause(200);
    EXPECT_EQ(calls.load(), 2);
}

}  // namespace
