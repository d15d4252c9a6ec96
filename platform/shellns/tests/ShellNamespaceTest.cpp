#include "platform/shellns/ShellNamespace.h"

#include <sys/xattr.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "testing/TempDir.h"

namespace {

namespace sh = platform::shellns;
using sh::IdList;

// The items of a list, each as a single-item list.
std::vector<IdList> SplitItems(const IdList& list) {
    std::vector<IdList> items;
    std::size_t pos = 0;
    while (list[pos] != 0 || list[pos + 1] != 0) {
        const std::size_t cb = list[pos] | (list[pos + 1] << 8);
        IdList item(list.begin() + static_cast<std::ptrdiff_t>(pos),
                    list.begin() + static_cast<std::ptrdiff_t>(pos + cb));
        item.push_back(0);
        item.push_back(0);
        items.push_back(item);
        pos += cb;
    }
    return items;
}

IdList Entry(std::string_view name) {
    IdList list(name.size() + 5, 0);
    list[0] = static_cast<std::uint8_t>(name.size() + 3);
    list[2] = 0x03;
    std::copy(name.begin(), name.end(), list.begin() + 3);
    return list;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ShellNamespace, ParsingAPathGivesTheListThatWalkingDownGives) {
    testing_support::TempDir dir;
    const std::string file = dir.Write("Bilder \xc3\xa4\xe6\x97\xa5/Sub/photo \xc3\xa9.jpg", "x");
    IdList parsed;
    ASSERT_TRUE(sh::Folder::Desktop()->ParseDisplayName(file, parsed));

    // Walk from the Desktop: every level lists the next item of the parsed list.
    auto folder = sh::Folder::Desktop();
    const std::vector<IdList> items = SplitItems(parsed);
    ASSERT_GE(items.size(), 4u);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::vector<IdList> children;
        ASSERT_TRUE(folder->EnumObjects(
            sh::kEnumFolders | sh::kEnumNonFolders | sh::kEnumIncludeHidden, children));
        ASSERT_NE(std::find(children.begin(), children.end(), items[i]), children.end())
            << "level " << i;
        if (i + 1 < items.size()) {
            folder = folder->BindToObject(items[i].data());
            ASSERT_NE(folder, nullptr);
        }
    }

    std::string back;
    ASSERT_TRUE(sh::GetPathFromIDList(parsed.data(), back));
    EXPECT_EQ(back, file);
    EXPECT_EQ(folder->GetDisplayNameOf(items.back().data(), sh::kNameNormal), "photo \xc3\xa9.jpg");
    EXPECT_EQ(folder->GetDisplayNameOf(items.back().data(), sh::kNameForParsing), file);

    // The same place spelled otherwise is the same list.
    IdList again;
    ASSERT_TRUE(sh::Folder::Desktop()->ParseDisplayName(
        dir.path() + "//./Bilder \xc3\xa4\xe6\x97\xa5/Sub/../Sub/photo \xc3\xa9.jpg", again));
    EXPECT_EQ(again, parsed);
    IdList folderList;
    ASSERT_TRUE(sh::Folder::Desktop()->ParseDisplayName(dir.path() + "/", folderList));
    ASSERT_TRUE(sh::GetPathFromIDList(folderList.data(), back));
    EXPECT_EQ(back, dir.path());

    // A folder parses names below itself only.
    auto temp = sh::Folder::Bind(folderList.data());
    ASSERT_NE(temp, nullptr);
    IdList relative;
    ASSERT_TRUE(temp->ParseDisplayName("Bilder \xc3\xa4\xe6\x97\xa5/Sub", relative));
    EXPECT_EQ(sh::ItemCount(relative.data()), 2u);
    EXPECT_FALSE(temp->ParseDisplayName(
        "../" + std::filesystem::path(dir.path()).filename().string(), relative));
}

TEST(ShellNamespace, MissingAndMalformedPlacesFail) {
    testing_support::TempDir dir;
    auto desktop = sh::Folder::Desktop();
    IdList out{9};
    EXPECT_FALSE(desktop->ParseDisplayName(dir.Path("missing.jpg"), out));
    EXPECT_FALSE(desktop->ParseDisplayName("relative/path", out));
    EXPECT_FALSE(desktop->ParseDisplayName("", out));
    EXPECT_EQ(out, IdList{9});

    // Lists that come from outside may spell names no enumeration gives.
    IdList root;
    ASSERT_TRUE(desktop->ParseDisplayName("/", root));
    using std::string_view_literals::operator""sv;
    for (const std::string_view bad : {".."sv, "."sv, "a/b"sv, "a\0b"sv, ""sv}) {
        IdList list(root.begin(), root.end() - 2);
        const IdList item = Entry(bad);
        list.insert(list.end(), item.begin(), item.end());
        std::string path;
        EXPECT_FALSE(sh::GetPathFromIDList(list.data(), path)) << bad;
        EXPECT_EQ(sh::Folder::Bind(list.data()), nullptr);
    }
    const IdList noComputer = Entry("etc");
    std::string path;
    EXPECT_FALSE(sh::GetPathFromIDList(noComputer.data(), path));

    const std::uint8_t shortItem[] = {5, 0, 3, 'a'};
    EXPECT_EQ(sh::MeasureList(shortItem, sizeof shortItem), std::nullopt);
    const std::uint8_t countOne[] = {1, 0, 0, 0};
    EXPECT_EQ(sh::MeasureList(countOne, sizeof countOne), std::nullopt);
    const std::uint8_t good[] = {4, 0, 3, 'a', 0, 0, 0xEE};
    EXPECT_EQ(sh::MeasureList(good, sizeof good), 6u);
    EXPECT_EQ(sh::MeasureList(good, 5), std::nullopt);
    EXPECT_EQ(sh::MeasureList(good, 1), std::nullopt);
}

TEST(ShellNamespace, AttributesHiddenFilesAndEnumerationFilters) {
    testing_support::TempDir dir;
    dir.Write("folder/inner/x", "");
    dir.Write("plain.jpg", "x");
    dir.Write(".dot", "x");
    const std::string marked = dir.Write("marked.vte", "x");
    const bool xattrs = ::setxattr(marked.c_str(), "user.hidden", "1", 1, 0) == 0;

    IdList list;
    ASSERT_TRUE(sh::Folder::Desktop()->ParseDisplayName(dir.path(), list));
    auto folder = sh::Folder::Bind(list.data());
    ASSERT_NE(folder, nullptr);

    const std::uint32_t all = 0xF0000000u | sh::kAttrHidden;
    const IdList sub = Entry("folder");
    EXPECT_EQ(folder->GetAttributesOf(sub.data(), all), sh::kAttrFolder | sh::kAttrFileSystem |
                                                            sh::kAttrFileSysAncestor |
                                                            sh::kAttrHasSubfolder);
    const IdList inner = Entry("inner");
    auto subFolder = folder->BindToObject(sub.data());
    ASSERT_NE(subFolder, nullptr);
    EXPECT_EQ(subFolder->GetAttributesOf(inner.data(), all),
              sh::kAttrFolder | sh::kAttrFileSystem | sh::kAttrFileSysAncestor);
    EXPECT_EQ(folder->GetAttributesOf(Entry("plain.jpg").data(), all), sh::kAttrFileSystem);
    EXPECT_EQ(folder->GetAttributesOf(Entry(".dot").data(), all),
              sh::kAttrFileSystem | sh::kAttrHidden);
    EXPECT_EQ(folder->GetAttributesOf(Entry("gone").data(), all), 0u);
    EXPECT_EQ(folder->BindToObject(Entry("plain.jpg").data()), nullptr);

    std::vector<IdList> children;
    ASSERT_TRUE(folder->EnumObjects(sh::kEnumFolders | sh::kEnumNonFolders, children));
    std::vector<IdList> expected{Entry("folder"), Entry("plain.jpg")};
    if (!xattrs) expected.push_back(Entry("marked.vte"));  // cannot be marked here
    std::sort(children.begin(), children.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(children, expected);
    ASSERT_TRUE(folder->EnumObjects(sh::kEnumNonFolders | sh::kEnumIncludeHidden, children));
    EXPECT_EQ(children.size(), 3u);

    // The Computer is a folder outside the file system: it has no path.
    ASSERT_TRUE(sh::Folder::Desktop()->EnumObjects(sh::kEnumFolders, children));
    ASSERT_EQ(children.size(), 1u);
    std::string path = "x";
    EXPECT_FALSE(sh::GetPathFromIDList(children[0].data(), path));
    EXPECT_EQ(path, "");
}

// A large folder is looked at in parts on several threads: every entry is listed once, with
// its type and hidden mark seen as in a small one.
TEST(ShellNamespace, AFolderOfThousandsIsListedWholeOnce) {
    testing_support::TempDir dir;
    std::vector<IdList> shown;
    std::vector<IdList> folders;
    std::size_t hidden = 0;
    for (int n = 0; n < 2500; ++n) {
        const std::string name = (n % 7 == 0 ? "." : "") + std::to_string(n);
        if (n % 11 == 0) {
            dir.Write(name + "/x", "");
        } else {
            dir.Write(name, "");
        }
        if (n % 7 == 0) {
            ++hidden;
        } else {
            shown.push_back(Entry(name));
            if (n % 11 == 0) folders.push_back(Entry(name));
        }
    }
    IdList list;
    ASSERT_TRUE(sh::Folder::Desktop()->ParseDisplayName(dir.path(), list));
    auto folder = sh::Folder::Bind(list.data());
    ASSERT_NE(folder, nullptr);

    std::vector<IdList> children;
    ASSERT_TRUE(folder->EnumObjects(sh::kEnumFolders | sh::kEnumNonFolders, children));
    std::sort(children.begin(), children.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(children, shown);
    ASSERT_TRUE(folder->EnumObjects(sh::kEnumFolders, children));
    std::sort(children.begin(), children.end());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(children, folders);
    ASSERT_TRUE(folder->EnumObjects(sh::kEnumFolders | sh::kEnumNonFolders | sh::kEnumIncludeHidden,
                                    children));
    EXPECT_EQ(children.size(), shown.size() + hidden);
}

TEST(ShellNamespace, ListsOrderStrictlyAndAgreeWithEquality) {
    const std::vector<IdList> ordered = {Entry("a"), Entry("B"), Entry("b"), Entry("ba"),
                                         Entry("c")};
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        for (std::size_t j = 0; j < ordered.size(); ++j) {
            const int c = sh::CompareLists(ordered[i].data(), ordered[j].data());
            EXPECT_EQ(c < 0, i < j) << i << " " << j;
            EXPECT_EQ(c == 0, i == j) << i << " " << j;
        }
    }
    IdList two(ordered[0].begin(), ordered[0].end() - 2);
    two.insert(two.end(), ordered[1].begin(), ordered[1].end());
    EXPECT_LT(sh::CompareLists(ordered[0].data(), two.data()), 0);
    const IdList desktop{0, 0};
    EXPECT_EQ(sh::CompareLists(desktop.data(), desktop.data()), 0);
    EXPECT_LT(sh::CompareLists(desktop.data(), ordered[0].data()), 0);
}

TEST(ShellNamespace, MountTableGivesDrivesWithTheRootFirst) {
    const std::string table =
        "22 27 0:21 / /proc rw - proc proc rw\n"
        "25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
        "40 27 0:40 / /home rw shared:1 - ext4 /dev/sda2 rw\n"
        "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
        "41 27 0:41 / /mnt/my\\040disk rw - vfat /dev/sdb1 rw\n"
        "42 27 0:42 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "43 27 0:43 / /run/media/u/STICK rw - vfat /dev/sdc1 rw\n"
        "44 27 0:44 / /home rw - ext4 /dev/sda2 rw\n"
        "45 27 0:45 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
        "46 27 0:46 / /tmp rw - tmpfs tmpfs rw\n"
        "broken line\n";
    EXPECT_EQ(sh::ParseMountInfo(table), (std::vector<std::string>{"/", "/home", "/mnt/my disk",
                                                                   "/run/media/u/STICK", "/tmp"}));
    EXPECT_EQ(sh::ParseMountInfo(""), std::vector<std::string>{"/"});
    const auto drives = sh::Drives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives[0], "/");
}

TEST(ShellNamespace, SpecialFoldersFollowTheUserSettings) {
    testing_support::TempDir dir;
    dir.Write("home/Schreibtisch/x", "");
    dir.Write("config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    ScopedEnv home("HOME", dir.Path("home"));
    ScopedEnv config("XDG_CONFIG_HOME", dir.Path("config"));

    IdList list;
    std::string path;
    ASSERT_TRUE(sh::GetSpecialFolderLocation(sh::SpecialFolder::Home, list));
    ASSERT_TRUE(sh::GetPathFromIDList(list.data(), path));
    EXPECT_EQ(path, dir.Path("home"));
    ASSERT_TRUE(sh::GetSpecialFolderLocation(sh::SpecialFolder::DesktopDirectory, list));
    ASSERT_TRUE(sh::GetPathFromIDList(list.data(), path));
    EXPECT_EQ(path, dir.Path("home/Schreibtisch"));

    ScopedEnv noSettings("XDG_CONFIG_HOME", dir.Path("nowhere"));
    EXPECT_FALSE(sh::GetSpecialFolderLocation(sh::SpecialFolder::DesktopDirectory, list));
}

}  // namespace
