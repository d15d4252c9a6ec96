#include "platform/files/Trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/files/FileOps.h"
#include "testing/TempDir.h"

namespace {

using platform::FileError;
using testing_support::ReadFile;
using testing_support::TempDir;

// Points the home trash into a test folder for the life of the object.
class DataHome {
public:
    explicit DataHome(const std::string& path) {
        const char* old = std::getenv("XDG_DATA_HOME");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHome() {
        if (had_) {
            ::setenv("XDG_DATA_HOME", old_.c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
    }

private:
    bool had_ = false;
    std::string old_;
};

TEST(Trash, DeletedFilesLandInTheHomeTrashWithTheirInfoFiles) {
    TempDir dir;
    DataHome home(dir.Path("data"));
    const std::string file = dir.Write("pics/a b%.jpg", "picture");
    ASSERT_EQ(platform::HomeTrashDirectory(), dir.Path("data") + "/Trash");

    std::string where;
    ASSERT_EQ(platform::MoveToTrash(file, &where), FileError::None);
    EXPECT_FALSE(platform::PathExists(file));
    EXPECT_EQ(where, dir.Path("data/Trash/files/a b%.jpg"));
    EXPECT_EQ(ReadFile(where), "picture");
    const std::string info = ReadFile(dir.Path("data/Trash/info/a b%.jpg.trashinfo"));
    const std::string head =
        "[Trash Info]\nPath=" + std::filesystem::canonical(dir.Path("pics")).string() +
        "/a%20b%25.jpg\nDeletionDate=";
    ASSERT_EQ(info.substr(0, head.size()), head);
    const std::string date = info.substr(head.size());  // YYYY-MM-DDThh:mm:ss and the end
    ASSERT_EQ(date.size(), 20u) << date;
    for (std::size_t i = 0; i < 19; ++i) {
        const char expected = (i == 4 || i == 7)     ? '-'
                              : i == 10              ? 'T'
                              : (i == 13 || i == 16) ? ':'
                                                     : 0;
        if (expected == 0) {
            EXPECT_TRUE(date[i] >= '0' && date[i] <= '9') << date;
        } else {
            EXPECT_EQ(date[i], expected) << date;
        }
    }
    EXPECT_EQ(date.back(), '\n');

    // A second file of the same name gets a name of its own; folders go whole.
    dir.Write("pics/a b%.jpg", "second");
    ASSERT_EQ(platform::MoveToTrash(dir.Path("pics/a b%.jpg"), &where), FileError::None);
    EXPECT_EQ(where, dir.Path("data/Trash/files/a b%.jpg.2"));
    EXPECT_EQ(ReadFile(where), "second");
    EXPECT_TRUE(platform::PathExists(dir.Path("data/Trash/info/a b%.jpg.2.trashinfo")));
    ASSERT_EQ(platform::MoveToTrash(dir.Path("pics"), &where), FileError::None);
    EXPECT_TRUE(platform::IsDirectory(dir.Path("data/Trash/files/pics")));

    struct stat st {};
    ASSERT_EQ(::stat(dir.Path("data/Trash").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(platform::MoveToTrash(dir.Path("missing")), FileError::NotFound);
}

TEST(Trash, ANameThroughALinkAndDotDotTrashesTheFileTheSystemMeans) {
    TempDir dir;
    DataHome home(dir.Path("data"));
    const std::string meant = dir.Write("real/v.jpg", "meant");
    const std::string namesake = dir.Write("v.jpg", "namesake");
    ASSERT_EQ(::mkdir(dir.Path("real/sub").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.Path("real/sub").c_str(), dir.Path("link").c_str()), 0);

    ASSERT_EQ(platform::MoveToTrash(dir.Path("link/../v.jpg")), FileError::None);
    EXPECT_FALSE(platform::PathExists(meant));
    EXPECT_EQ(ReadFile(namesake), "namesake");
    EXPECT_EQ(ReadFile(dir.Path("data/Trash/files/v.jpg")), "meant");
}

TEST(Trash, AnUnusableTrashLeavesTheFileWhereItWas) {
    TempDir dir;
    dir.Write("data/Trash", "a file where the trash should be");
    DataHome home(dir.Path("data"));
    const std::string file = dir.Write("keep.jpg", "picture");
    EXPECT_NE(platform::MoveToTrash(file), FileError::None);
    EXPECT_EQ(ReadFile(file), "picture");

    // An info folder that cannot be used fails before the file moves.
    dir.Write("bad/info", "not a folder");
    EXPECT_NE(platform::MoveIntoTrash(file, dir.Path("bad"), file), FileError::None);
    EXPECT_EQ(ReadFile(file), "picture");
}

TEST(Trash, AMountsTrashIsItsSharedFolderOnlyWhenThatIsSafe) {
    TempDir top;
    const std::string uid = std::to_string(::getuid());
    // Without .Trash: the user's own .Trash-$uid.
    EXPECT_EQ(platform::VolumeTrashDirectory(top.path(), false), "");
    EXPECT_EQ(platform::VolumeTrashDirectory(top.path(), true), top.Path(".Trash-" + uid));

    // A .Trash without the sticky bit, or a link, is not trusted.
    ASSERT_EQ(::mkdir(top.Path(".Trash").c_str(), 0777), 0);
    EXPECT_EQ(platform::VolumeTrashDirectory(top.path(), true), top.Path(".Trash-" + uid));
    ASSERT_EQ(::chmod(top.Path(".Trash").c_str(), 01777), 0);
    EXPECT_EQ(platform::VolumeTrashDirectory(top.path(), true), top.Path(".Trash/" + uid));

    TempDir other;
    ASSERT_EQ(::symlink(top.Path(".Trash").c_str(), other.Path(".Trash").c_str()), 0);
    EXPECT_EQ(platform::VolumeTrashDirectory(other.path(), true), other.Path(".Trash-" + uid));

    // A mount's trash records the path relative to its top folder.
    const std::string file = top.Write("sub/x.jpg", "x");
    std::string where;
    ASSERT_EQ(platform::MoveIntoTrash(file, top.Path(".Trash/" + uid), "sub/x.jpg", &where),
              FileError::None);
    EXPECT_EQ(where, top.Path(".Trash/" + uid + "/files/x.jpg"));
    const std::string info = ReadFile(top.Path(".Trash/" + uid + "/info/x.jpg.trashinfo"));
    EXPECT_NE(info.find("\nPath=sub/x.jpg\n"), std::string::npos) << info;
}

}  // namespace
