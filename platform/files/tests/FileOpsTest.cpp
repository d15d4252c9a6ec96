#include "platform/files/FileOps.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "platform/files/Hidden.h"
#include "platform/files/ReplacingWriter.h"
#include "testing/TempDir.h"

namespace {

using platform::FileError;
using testing_support::ReadFile;
using testing_support::TempDir;

TEST(FileOps, CopyNeverReplacesAndKeepsModeTimeAndHiddenMark) {
    TempDir dir;
    const std::string source = dir.Write("a.jpg", "picture");
    const std::string taken = dir.Write("taken.jpg", "old");
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    const bool marks = platform::TakesUserAttributes(source);
    if (marks) {
        ASSERT_TRUE(platform::SetHidden(source, true));
    }

    const std::string copy = dir.Path("b.jpg");
    ASSERT_EQ(platform::CopyFileNoReplace(source, copy), FileError::None);
    EXPECT_EQ(ReadFile(copy), "picture");
    struct stat st {};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
    if (marks) {
        EXPECT_TRUE(platform::IsHidden(copy));
    }

    EXPECT_EQ(platform::CopyFileNoReplace(source, taken), FileError::Exists);
    EXPECT_EQ(ReadFile(taken), "old");
    EXPECT_EQ(platform::CopyFileNoReplace(source, source), FileError::Exists);
    EXPECT_EQ(ReadFile(source), "picture");
    EXPECT_EQ(platform::CopyFileNoReplace(dir.Path("missing"), dir.Path("c")), FileError::NotFound);
    EXPECT_EQ(platform::CopyFileNoReplace(dir.path(), dir.Path("d")), FileError::Other);
    // A named pipe is no file to copy, and opening it must not wait for a writer.
    const std::string pipe = dir.Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(platform::CopyFileNoReplace(pipe, dir.Path("e")), FileError::Other);
    EXPECT_EQ(platform::CopyFileReplacing(pipe, taken), FileError::Other);
    EXPECT_EQ(ReadFile(taken), "old");
    EXPECT_FALSE(platform::PathExists(dir.Path("c")));
    EXPECT_FALSE(platform::PathExists(dir.Path("d")));
    EXPECT_FALSE(platform::PathExists(dir.Path("e")));
}

TEST(FileOps, StoppedCopyLeavesNoTarget) {
    TempDir dir;
    const std::string source = dir.Write("big.bin", std::string(3 << 20, 'x'));
    platform::CopyOptions options;
    int calls = 0;
    options.progress = [&](std::uint64_t) { return ++calls < 2; };
    EXPECT_EQ(platform::CopyFileNoReplace(source, dir.Path("copy.bin"), options),
              FileError::Cancelled);
    EXPECT_FALSE(platform::PathExists(dir.Path("copy.bin")));

    options.progress = [](std::uint64_t) { return true; };
    options.sync = true;
    ASSERT_EQ(platform::CopyFileNoReplace(source, dir.Path("copy.bin"), options), FileError::None);
    EXPECT_EQ(platform::FileSizeOf(dir.Path("copy.bin")).value_or(0), 3u << 20);
}

TEST(FileOps, ReplacingCopyNeverDestroysTheSourceOrTheOldTargetOnFailure) {
    TempDir dir;
    const std::string source = dir.Write("a.jpg", "new");
    const std::string target = dir.Write("b.jpg", "old");
    const std::string link = dir.Path("link.jpg");
    ASSERT_EQ(::link(source.c_str(), link.c_str()), 0);

    EXPECT_EQ(platform::CopyFileReplacing(source, source), FileError::Exists);
    EXPECT_EQ(platform::CopyFileReplacing(source, link), FileError::Exists);
    EXPECT_EQ(platform::CopyFileReplacing(source, dir.path() + "/./a.jpg"), FileError::Exists);
    EXPECT_EQ(ReadFile(source), "new");

    EXPECT_EQ(platform::CopyFileReplacing(dir.Path("missing"), target), FileError::NotFound);
    EXPECT_EQ(ReadFile(target), "old");
    ASSERT_EQ(platform::CopyFileReplacing(source, target), FileError::None);
    EXPECT_EQ(ReadFile(target), "new");
    // No temporary file is left behind.
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 3);
}

TEST(FileOps, ACopyReplacesALinkAtItsTargetAndNeverTouchesWhatTheLinkNames) {
    TempDir dir;
    const std::string source = dir.Write("package/NPvantelo.so", "plug-in");
    // Someone who may write the plug-in folder points the plug-in's name at another file.
    const std::string victim = dir.Write("elsewhere/passwd", "not yours");
    ASSERT_EQ(::chmod(victim.c_str(), 0444), 0);
    const std::string link = dir.Path("plugins/NPvantelo.so");
    std::filesystem::create_directories(dir.Path("plugins"));
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);

    // Clearing the read-only mark of the name leaves the file it leads to protected.
    EXPECT_FALSE(platform::ClearReadOnly(link));
    struct stat st {};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    ASSERT_EQ(platform::CopyFileReplacing(source, link), FileError::None);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(link), "plug-in");
    EXPECT_EQ(ReadFile(victim), "not yours");
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    // A link that leads nowhere is replaced as well; a plain read-only file is opened up.
    const std::string dangling = dir.Path("plugins/lwf215p.so");
    ASSERT_EQ(::symlink(dir.Path("nowhere").c_str(), dangling.c_str()), 0);
    ASSERT_EQ(platform::CopyFileReplacing(source, dangling), FileError::None);
    EXPECT_EQ(ReadFile(dangling), "plug-in");
    EXPECT_FALSE(platform::PathExists(dir.Path("nowhere")));
    ASSERT_EQ(::chmod(link.c_str(), 0444), 0);
    EXPECT_TRUE(platform::ClearReadOnly(link));
    ASSERT_EQ(::stat(link.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("plugins")),
                            std::filesystem::directory_iterator()),
              2);
}
TEST(FileOps, WritingReplacesAWholeFileKeepingItsMode) {
    TempDir dir;
    const std::string target = dir.Write("page.htm", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(platform::WriteFileReplacing(target, "new text"), FileError::None);
    EXPECT_EQ(ReadFile(target), "new text");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    ASSERT_EQ(platform::WriteFileReplacing(dir.Path("fresh.htm"), ""), FileError::None);
    EXPECT_EQ(ReadFile(dir.Path("fresh.htm")), "");
    EXPECT_EQ(platform::WriteFileReplacing(dir.path(), "x"), FileError::Exists);
    EXPECT_EQ(platform::WriteFileReplacing(dir.Path("no/such/page.htm"), "x"), FileError::NotFound);
    // A page reached through a link is written where the link leads; the link stays.
    const std::string link = dir.Path("link.htm");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(platform::WriteFileReplacing(link, "through"), FileError::None);
    EXPECT_EQ(ReadFile(target), "through");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    // No temporary file is left behind.
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 3);
}

TEST(FileOps, RenameNeverReplacesFilesOrFolders) {
    TempDir dir;
    const std::string a = dir.Write("a.txt", "a");
    const std::string b = dir.Write("b.txt", "b");
    EXPECT_EQ(platform::RenameNoReplace(a, b), FileError::Exists);
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_EQ(ReadFile(b), "b");

    ASSERT_EQ(platform::CreateFolder(dir.Path("f")), FileError::None);
    ASSERT_EQ(platform::CreateFolder(dir.Path("empty")), FileError::None);
    EXPECT_EQ(platform::CreateFolder(dir.Path("f")), FileError::Exists);
    EXPECT_EQ(platform::RenameNoReplace(dir.Path("f"), dir.Path("empty")), FileError::Exists);
    EXPECT_EQ(platform::RenameNoReplace(dir.Path("missing"), dir.Path("x")), FileError::NotFound);
}

TEST(FileOps, BatchRenamesOnCollisionAndReportsProgressOverAllFiles) {
    TempDir dir;
    const std::string a = dir.Write("src/a.txt", "aaaa");
    const std::string b = dir.Write("src/b.txt", "bb");
    dir.Write("dst/a.txt", "taken");
    std::vector<std::string> asked;
    const platform::CollisionNamer namer = [&](const std::string& folder, const std::string& name) {
        asked.push_back(folder + "|" + name);
        return "a_1.txt";
    };
    platform::CopyBatchProgress last;
    const auto progress = [&](const platform::CopyBatchProgress& p) {
        last = p;
        return true;
    };
    ASSERT_EQ(platform::CopyBatch({{a, dir.Path("dst/a.txt")}, {b, dir.Path("dst/b.txt")}}, namer,
                                  progress),
              FileError::None);
    EXPECT_EQ(ReadFile(dir.Path("dst/a.txt")), "taken");
    EXPECT_EQ(ReadFile(dir.Path("dst/a_1.txt")), "aaaa");
    EXPECT_EQ(ReadFile(dir.Path("dst/b.txt")), "bb");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], dir.Path("dst") + "|a.txt");
    EXPECT_EQ(last.bytesTotal, 6u);
    EXPECT_EQ(last.bytesDone, 6u);
    EXPECT_EQ(last.fileIndex, 2u);

    // Stopping at the first file copies nothing; a namer giving an unsafe name ends it.
    EXPECT_EQ(platform::CopyBatch({{b, dir.Path("dst/c.txt")}}, nullptr,
                                  [](const platform::CopyBatchProgress&) { return false; }),
              FileError::Cancelled);
    EXPECT_FALSE(platform::PathExists(dir.Path("dst/c.txt")));
    EXPECT_EQ(platform::CopyBatch(
                  {{b, dir.Path("dst/b.txt")}},
                  [](const std::string&, const std::string&) { return "../b.txt"; }, nullptr),
              FileError::Exists);
    EXPECT_FALSE(platform::PathExists(dir.Path("b.txt")));
}

TEST(FileOps, ClearingReadOnlyOpensUpFilesFoldersAndPipesButNoLink) {
    TempDir dir;
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    };
    const std::string plain = dir.Write("plain.jpg", "x");
    ASSERT_EQ(::chmod(plain.c_str(), 0444), 0);
    // Unreadable as well: it cannot be opened, its mode is still changed.
    const std::string locked = dir.Write("locked.jpg", "x");
    ASSERT_EQ(::chmod(locked.c_str(), 0040), 0);
    const std::string folder = dir.Path("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0555), 0);
    // A pipe is never opened, so nothing waits for its other end.
    const std::string pipe = dir.Path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0444), 0);
    const std::string link = dir.Path("link.jpg");
    ASSERT_EQ(::symlink(plain.c_str(), link.c_str()), 0);

    EXPECT_FALSE(platform::ClearReadOnly(link));
    EXPECT_EQ(modeOf(plain), 0444u);
    EXPECT_TRUE(platform::ClearReadOnly(plain));
    EXPECT_EQ(modeOf(plain), 0644u);
    EXPECT_TRUE(platform::ClearReadOnly(locked));
    EXPECT_EQ(modeOf(locked), 0240u);
    EXPECT_TRUE(platform::ClearReadOnly(folder));
    EXPECT_EQ(modeOf(folder), 0755u);
    EXPECT_TRUE(platform::ClearReadOnly(pipe));
    EXPECT_EQ(modeOf(pipe), 0644u);
    EXPECT_FALSE(platform::ClearReadOnly(dir.Path("missing")));
}

}  // namespace
