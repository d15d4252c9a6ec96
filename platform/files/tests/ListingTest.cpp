#include "platform/files/Listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/PathText.h"
#include "testing/TempDir.h"

namespace {

TEST(Listing, WildcardsMatchWholeNamesWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"photo.JPG", "*.jpg", true},
        {"photo.jpg.bak", "*.jpg", false},
        {"README", "*.*", true},
        {"README", "*.", false},
        {"a.vte", "?.vte", true},
        {"ab.vte", "?.vte", false},
        {"tmb_x.jpg", "tmb_*", true},
        {"x", "", false},
        {"", "*", true},
        {"abcabcabd", "*abc*abd", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::MatchesWildcard(c.name, c.pattern), c.match)
            << c.name << " ~ " << c.pattern;
    }
}

TEST(Listing, ListsMatchingEntriesInAStableOrderWithTheirKinds) {
    testing_support::TempDir dir;
    dir.Write("b.jpg", "12345");
    dir.Write("A.jpg", "1");
    dir.Write("a.jpg", "12");
    dir.Write("c.txt", "");
    dir.Write("Sub.jpg/inner", "");
    ASSERT_EQ(::symlink("nowhere", dir.Path("dangling.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("b.jpg", dir.Path("link.jpg").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.Path("pipe.jpg").c_str(), 0600), 0);

    bool ok = false;
    const auto entries = platform::ListDirectory(dir.path(), "*.JPG", &ok);
    ASSERT_TRUE(ok);
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg", "dangling.jpg",
                                               "link.jpg", "pipe.jpg", "Sub.jpg"}));
    using Kind = platform::DirEntry::Kind;
    EXPECT_EQ(entries[2].kind, Kind::File);
    EXPECT_EQ(entries[2].size, 5u);
    EXPECT_EQ(entries[3].kind, Kind::Other);
    EXPECT_TRUE(entries[4].symlink);
    EXPECT_EQ(entries[4].kind, Kind::File);
    EXPECT_EQ(entries[5].kind, Kind::Other);
    EXPECT_EQ(entries[6].kind, Kind::Folder);

    EXPECT_TRUE(platform::ListDirectory(dir.Path("missing"), "*", &ok).empty());
    EXPECT_FALSE(ok);
}

TEST(Listing, PathTextsSplitAndResolveWithoutTouchingTheDisk) {
    EXPECT_EQ(platform::ParentOf("/a/b/"), "/a");
    EXPECT_EQ(platform::ParentOf("/a"), "/");
    EXPECT_EQ(platform::ParentOf("a"), ".");
    EXPECT_EQ(platform::NameOf("/a/v1.2/README"), "README");
    EXPECT_EQ(platform::NameOf("/a/b//"), "b");
    EXPECT_EQ(platform::AbsolutePath("/a/./b/../c//d/"), "/a/c/d");
    EXPECT_EQ(platform::AbsolutePath("/../.."), "/");
    EXPECT_FALSE(platform::IsPlainName(".."));
    EXPECT_FALSE(platform::IsPlainName("a/b"));
    EXPECT_TRUE(platform::IsPlainName(".hidden"));
}

}  // namespace
