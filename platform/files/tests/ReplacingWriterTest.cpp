#include "platform/files/ReplacingWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <set>

#include "platform/files/Hidden.h"
#include "platform/files/PathText.h"
#include "testing/TempDir.h"

namespace {

using platform::FileError;
using platform::ReplaceFault;
using testing_support::ReadFile;
using testing_support::TempDir;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

struct FaultScope {
    explicit FaultScope(ReplaceFault fault) { platform::InjectReplaceFaultForTesting(fault); }
    ~FaultScope() { platform::InjectReplaceFaultForTesting(ReplaceFault::None); }
};

// Each case prepares the folder and gives the name to write "new bytes" to; the folder
// must afterwards hold exactly the names it held before (no temporary file left).
struct Case {
    const char* what;
    std::function<std::string(const TempDir&)> prepare;
    ReplaceFault fault;
    FileError expected;
    std::function<void(const TempDir&, const std::string& path)> check;
};

TEST(ReplacingWriter, KeepsTheFileOrReplacesItWhole) {
    const std::string name250(250, 'n');
    const std::vector<Case> cases = {
        {"write-protected file, refused also for root",
         [](const TempDir& d) {
             const std::string p = d.Write("ro.jpg", "old bytes");
             ::chmod(p.c_str(), 0444);
             return p;
         },
         ReplaceFault::None, FileError::AccessDenied,
         [](const TempDir&, const std::string& p) { EXPECT_EQ(ReadFile(p), "old bytes"); }},
        {"symbolic link written through",
         [](const TempDir& d) {
             const std::string real = d.Write("real.htm", "old bytes");
             ::symlink(real.c_str(), d.Path("link.htm").c_str());
             return d.Path("link.htm");
         },
         ReplaceFault::None, FileError::None,
         [](const TempDir& d, const std::string& p) {
             EXPECT_TRUE(std::filesystem::is_symlink(p));
             EXPECT_EQ(ReadFile(d.Path("real.htm")), "new bytes");
         }},
        {"hard link: both names see the new bytes",
         [](const TempDir& d) {
             const std::string p = d.Write("a.jpg", "old bytes");
             ::link(p.c_str(), d.Path("b.jpg").c_str());
             return p;
         },
         ReplaceFault::None, FileError::None,
         [](const TempDir& d, const std::string& p) {
             EXPECT_EQ(ReadFile(p), "new bytes");
             EXPECT_EQ(ReadFile(d.Path("b.jpg")), "new bytes");
         }},
        {"hard link: a write that fails half-way is undone",
         [](const TempDir& d) {
             const std::string p = d.Write("a.jpg", "old bytes, longer than the new ones");
             ::link(p.c_str(), d.Path("b.jpg").c_str());
             return p;
         },
         ReplaceFault::DuringInPlaceWrite, FileError::Other,
         [](const TempDir& d, const std::string& p) {
             EXPECT_EQ(ReadFile(p), "old bytes, longer than the new ones");
             EXPECT_EQ(ReadFile(d.Path("b.jpg")), "old bytes, longer than the new ones");
         }},
        {"name of 250 bytes", [&](const TempDir& d) { return d.Write(name250, "old bytes"); },
         ReplaceFault::None, FileError::None,
         [](const TempDir&, const std::string& p) { EXPECT_EQ(ReadFile(p), "new bytes"); }},
        {"failure after the temporary file was written",
         [](const TempDir& d) { return d.Write("page.htm", "old bytes"); },
         ReplaceFault::BeforeRename, FileError::Other,
         [](const TempDir&, const std::string& p) { EXPECT_EQ(ReadFile(p), "old bytes"); }},
        {"new file", [](const TempDir& d) { return d.Path("fresh.htm"); }, ReplaceFault::None,
         FileError::None,
         [](const TempDir&, const std::string& p) { EXPECT_EQ(ReadFile(p), "new bytes"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.prepare(dir);
        std::set<std::string> before = Names(dir.path());
        before.insert(platform::NameOf(path));
        {
            FaultScope fault(c.fault);
            EXPECT_EQ(platform::WriteFileReplacing(path, "new bytes"), c.expected);
        }
        c.check(dir, path);
        EXPECT_EQ(Names(dir.path()), before);
    }
}

TEST(ReplacingWriter, KeepsModeOwnerAndUserAttributes) {
    TempDir dir;
    const std::string path = dir.Write("tagged.jpg", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool attributes = platform::TakesUserAttributes(path);
    if (attributes) {
        ASSERT_TRUE(platform::SetHidden(path, true));
        ASSERT_EQ(::setxattr(path.c_str(), "user.xdg.tags", "holiday", 7, 0), 0);
    }
    ASSERT_EQ(platform::WriteFileReplacing(path, "new"), FileError::None);
    EXPECT_EQ(ReadFile(path), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (!attributes) GTEST_SKIP() << "the temporary folder's file system has no user attributes";
    EXPECT_TRUE(platform::IsHidden(path));
    char tags[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.xdg.tags", tags, sizeof tags), 7);
    EXPECT_STREQ(tags, "holiday");
}

TEST(ReplacingWriter, RefusesANamedPipeWithoutWaiting) {
    TempDir dir;
    const std::string pipe = dir.Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto result =
        std::async(std::launch::async, [&] { return platform::WriteFileReplacing(pipe, "x"); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the stuck open go on, so the test ends with its failure.
        const int fd = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
        ADD_FAILURE() << "the write waited on the pipe";
        result.wait();
        ::close(fd);
        return;
    }
    EXPECT_EQ(result.get(), FileError::Other);
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"pipe.jpg"});
}

TEST(ReplacingWriter, CopyOverATargetTakesTheSourcesTime) {
    TempDir dir;
    const std::string source = dir.Write("a.jpg", "picture");
    const std::string target = dir.Write("b.jpg", "old");
    const struct timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_EQ(platform::CopyFileReplacing(source, target), FileError::AccessDenied);
    EXPECT_EQ(ReadFile(target), "old");
    ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
    ASSERT_EQ(platform::CopyFileReplacing(source, target), FileError::None);
    EXPECT_EQ(ReadFile(target), "picture");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.jpg", "b.jpg"}));
}

TEST(ReplacingWriter, NewFilesOfABatchAreSavedTogetherAndReplacingStaysSafe) {
    TempDir dir;
    const std::string old = dir.Write("old.htm", "old bytes");
    std::filesystem::create_directories(dir.Path("data"));
    platform::DeferredFlush batch;
    platform::ReplaceOptions options;
    options.flushLater = &batch;

    for (int n = 0; n < 20; ++n) {
        const std::string name = "page" + std::to_string(n) + ".htm";
        ASSERT_EQ(platform::WriteFileReplacing(dir.Path(name), "bytes " + name, options),
                  FileError::None);
        ASSERT_EQ(platform::WriteFileReplacing(dir.Path("data/" + name), name, options),
                  FileError::None);
    }
    EXPECT_EQ(ReadFile(dir.Path("page7.htm")), "bytes page7.htm");
    EXPECT_EQ(ReadFile(dir.Path("data/page19.htm")), "page19.htm");
    EXPECT_EQ(Names(dir.Path("data")).size(), 20u);

    // A file that replaces another is never half there, batch or not.
    {
        FaultScope fault(ReplaceFault::BeforeRename);
        EXPECT_EQ(platform::WriteFileReplacing(old, "new bytes", options), FileError::Other);
        EXPECT_EQ(ReadFile(old), "old bytes");
    }
    platform::ReplacingWriter writer;
    ASSERT_EQ(writer.Open(old, options), FileError::None);
    ASSERT_TRUE(writer.Write("new "));
    EXPECT_EQ(ReadFile(old), "old bytes");
    ASSERT_TRUE(writer.Write("bytes"));
    ASSERT_EQ(writer.Commit(), FileError::None);
    EXPECT_EQ(ReadFile(old), "new bytes");
    EXPECT_EQ(Names(dir.path()).size(), 22u);  // no temporary file left

    EXPECT_EQ(batch.Flush(), FileError::None);
    {
        FaultScope fault(ReplaceFault::DeferredFlush);
        EXPECT_EQ(batch.Flush(), FileError::Other);
    }
    // The lost write-back is told once by the system; the batch keeps telling it.
    EXPECT_EQ(batch.Flush(), FileError::Other);

    // A folder that is gone cannot be flushed, so its files do not count as saved.
    platform::DeferredFlush another;
    another.AddFolder(dir.path());
    another.AddFolder(dir.Path("gone"));
    EXPECT_EQ(another.Flush(), FileError::NotFound);
}

}  // namespace
