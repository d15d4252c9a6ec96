#include "platform/files/Hidden.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <memory>

#include "testing/TempDir.h"

namespace {

struct RefuseAttributes {
    RefuseAttributes() { platform::RefuseUserAttributesForTesting(true); }
    ~RefuseAttributes() { platform::RefuseUserAttributesForTesting(false); }
};

// A temporary folder on a file system that takes user attributes: the system's own when it
// does (tmpfs before Linux 6.6 does not), else one inside the build tree.
std::unique_ptr<testing_support::TempDir> FolderTakingAttributes() {
    auto dir = std::make_unique<testing_support::TempDir>();
    if (platform::TakesUserAttributes(dir->path())) return dir;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", VANTELO_BUILD_SCRATCH, 1);
    dir = std::make_unique<testing_support::TempDir>();
    if (old != nullptr) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    if (platform::TakesUserAttributes(dir->path())) return dir;
    return nullptr;
}

TEST(Hidden, TheAttributeMarksFilesWhereTheFileSystemTakesIt) {
    const auto scratch = FolderTakingAttributes();
    if (!scratch) GTEST_SKIP() << "no file system at hand takes user attributes";
    const testing_support::TempDir& dir = *scratch;
    const std::string picture = dir.Write("x.jpg", "");
    const std::string animation = dir.Write("x.vte", "");
    EXPECT_FALSE(platform::IsHidden(picture));
    EXPECT_FALSE(platform::IsHidden(animation));  // only unmarked companions where it cannot
    ASSERT_TRUE(platform::SetHidden(animation, true));
    EXPECT_TRUE(platform::IsHidden(animation));
    ASSERT_TRUE(platform::SetHidden(animation, false));
    EXPECT_FALSE(platform::IsHidden(animation));
    EXPECT_TRUE(platform::SetHidden(picture, false));  // clearing an absent mark
    ASSERT_EQ(::setxattr(picture.c_str(), "user.hidden", "false", 5, 0), 0);
    EXPECT_FALSE(platform::IsHidden(picture));
    ASSERT_EQ(::setxattr(picture.c_str(), "user.hidden", "yes", 3, 0), 0);
    EXPECT_TRUE(platform::IsHidden(picture));
    EXPECT_FALSE(platform::SetHidden(dir.Path("missing"), true));
}

TEST(Hidden, WithoutAttributesCompanionsCountAsHiddenAndDotNamesAlways) {
    RefuseAttributes refuse;
    testing_support::TempDir dir;
    const std::string picture = dir.Write("x.jpg", "");
    const std::string animation = dir.Write("x.VTE", "");
    const std::string folderPicture = dir.Write("pics.vtd", "");
    const std::string dotted = dir.Write(".settings", "");
    EXPECT_FALSE(platform::TakesUserAttributes(picture));
    EXPECT_FALSE(platform::IsHidden(picture));
    EXPECT_TRUE(platform::IsHidden(animation));
    EXPECT_TRUE(platform::IsHidden(folderPicture));
    EXPECT_TRUE(platform::IsHidden(dotted));

    EXPECT_TRUE(platform::SetHidden(animation, true));
    EXPECT_FALSE(platform::SetHidden(animation, false));
    EXPECT_FALSE(platform::SetHidden(picture, true));
    EXPECT_TRUE(platform::SetHidden(picture, false));
    EXPECT_FALSE(platform::SetHidden(dotted, false));
    EXPECT_FALSE(platform::SetHidden(dir.Path("missing.vte"), true));
}

}  // namespace
