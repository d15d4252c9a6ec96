#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>

#include "platform/files/FileOps.h"
#include "platform/files/Hidden.h"
#include "studio/shell/ClipBoard.h"
#include "studio/shell/ShellUtils.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScriptedPrompts;
using testing_support::TempDir;

// Answers the rename question from a queue (Cancel when it runs dry) and records it.
class ScriptedRename {
public:
    ScriptedRename() {
        previous_ =
            SetRenameQuestion([this](const std::string& existing, const std::string& proposed) {
                asked.push_back(existing + "|" + proposed);
                if (answers.empty()) return RenameChoice{};
                RenameChoice next = answers.front();
                answers.pop_front();
                return next;
            });
    }
    ~ScriptedRename() { SetRenameQuestion(previous_); }

    std::deque<RenameChoice> answers;
    std::vector<std::string> asked;

private:
    RenameQuestion previous_;
};

// The studio clipboard's mode for the life of the object.
class Mode {
public:
    explicit Mode(int mode) : previous_(TheClipBoard().GetMode()) { TheClipBoard().SetMode(mode); }
    ~Mode() { TheClipBoard().SetMode(previous_); }

private:
    int previous_;
};

bool Exists(const std::string& path) {
    return platform::PathExists(path);
}

TEST(CopyFileChecked, CopyingAFileOntoItselfNeverDestroysIt) {
    TempDir dir;
    const std::string x = dir.Write("x.jpg", "picture");
    ScriptedPrompts prompts;
    ScriptedRename rename;
    bool renameAll = false, overwriteAll = true;
    std::string name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(x, x, dir.path(), name, renameAll, overwriteAll), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");

    overwriteAll = false;
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_EQ(CopyFileChecked(x, x, dir.path(), name, renameAll, overwriteAll), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");
    EXPECT_EQ(rename.asked, (std::vector<std::string>{"x.jpg|x_1.jpg"}));

    // Moving onto itself neither copies nor deletes.
    {
        Mode move(1);
        overwriteAll = true;
        EXPECT_EQ(
            CopyOrMoveFile(x, dir.path() + "/./x.jpg", dir.path(), name, renameAll, overwriteAll),
            kCopied);
        EXPECT_EQ(ReadFile(x), "picture");
    }

    renameAll = true;
    EXPECT_EQ(CopyFileChecked(x, x, dir.path(), name, renameAll, overwriteAll), kCopied);
    EXPECT_EQ(name, "x_1.jpg");
    EXPECT_EQ(ReadFile(dir.Path("x_1.jpg")), "picture");
    EXPECT_TRUE(prompts.calls().empty());
}

TEST(CopyFileChecked, CollisionsAreAnsweredOnceOrForAll) {
    TempDir dir;
    const std::string source = dir.Write("src/x.jpg", "new");
    dir.Write("dst/x.jpg", "old");
    const std::string folder = dir.Path("dst") + "/";
    ScriptedPrompts prompts;
    ScriptedRename rename;
    bool renameAll = false, overwriteAll = false;

    // Rename for all: x_1.jpg, then x_2.jpg without asking again.
    rename.answers.push_back({RenameChoice::AutoRename, true, ""});
    std::string name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_EQ(name, "x_1.jpg");
    EXPECT_TRUE(renameAll);
    name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_EQ(name, "x_2.jpg");
    EXPECT_EQ(rename.asked.size(), 1u);

    // An edited name; one that would leave the folder is asked for again.
    renameAll = false;
    rename.answers.push_back({RenameChoice::UseName, false, "../escape.jpg"});
    rename.answers.push_back({RenameChoice::UseName, false, "edited.jpg"});
    name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_EQ(name, "edited.jpg");
    EXPECT_EQ(ReadFile(folder + "edited.jpg"), "new");
    EXPECT_FALSE(Exists(dir.Path("escape.jpg")));

    // Overwrite for all replaces the old file.
    rename.answers.push_back({RenameChoice::Overwrite, true, ""});
    name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopiedOver);
    EXPECT_TRUE(overwriteAll);
    EXPECT_EQ(ReadFile(folder + "x.jpg"), "new");

    // Cancel stops the whole operation.
    overwriteAll = false;
    name = "x.jpg";
    EXPECT_EQ(CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopyCancelled);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST(CopyFileChecked, ErrorsAreShownWithTheTarget) {
    TempDir dir;
    const std::string source = dir.Write("x.jpg", "x");
    ScriptedPrompts prompts;
    bool renameAll = false, overwriteAll = false;
    std::string name = "x.jpg";
    const std::string target = dir.Path("missing/x.jpg");
    EXPECT_EQ(CopyFileChecked(source, target, dir.Path("missing"), name, renameAll, overwriteAll),
              kCopyFailed);
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, target);
    EXPECT_EQ(prompts.calls()[0].caption, "Error copying file");
}

TEST(CopyOrMoveFile, MovesAcrossFoldersOnlyOnceTheCopyIsComplete) {
    TempDir dir;
    const std::string source = dir.Write("a/x.jpg", "picture");
    ASSERT_EQ(::chmod(source.c_str(), 0444), 0);
    const std::string folder = dir.Path("b") + "/";
    ASSERT_EQ(platform::CreateFolder(folder), platform::FileError::None);
    Mode move(1);
    bool renameAll = false, overwriteAll = false;
    std::string name = "x.jpg";
    EXPECT_EQ(CopyOrMoveFile(source, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadFile(folder + "x.jpg"), "picture");
    struct stat st {};
    ASSERT_EQ(::stat((folder + "x.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    // A failed copy leaves the source where it is.
    ScriptedPrompts prompts;
    const std::string kept = dir.Write("a/y.jpg", "kept");
    name = "y.jpg";
    EXPECT_EQ(CopyOrMoveFile(kept, dir.Path("none/y.jpg"), dir.Path("none"), name, renameAll,
                             overwriteAll),
              kCopyFailed);
    EXPECT_EQ(ReadFile(kept), "kept");
}

void CheckCompanionsTravel(const TempDir& dir) {
    const std::string picture = dir.Write("a/x.jpg", "picture");
    const std::string animation = dir.Write("a/x.vte", "points");
    ASSERT_TRUE(platform::SetHidden(animation, true));
    dir.Write("b/x.jpg", "taken");
    const std::string folder = dir.Path("b") + "/";
    Mode move(1);
    bool renameAll = true, overwriteAll = false;
    std::string name = "x.jpg";
    EXPECT_EQ(CopyOrMoveFile(picture, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_EQ(name, "x_1.jpg");
    EXPECT_FALSE(Exists(picture));
    EXPECT_FALSE(Exists(animation));
    EXPECT_EQ(ReadFile(folder + "x_1.vte"), "points");
    EXPECT_TRUE(platform::IsHidden(folder + "x_1.vte"));
}

TEST(CopyOrMoveFile, AHiddenAnimationMovesWithItsPicture) {
    TempDir dir;
    if (!platform::TakesUserAttributes(dir.path())) GTEST_SKIP() << "no user attributes here";
    CheckCompanionsTravel(dir);

    // A visible animation file is not the picture's companion.
    const std::string picture = dir.Write("c/z.jpg", "z");
    const std::string visible = dir.Write("c/z.vte", "v");
    bool renameAll = false, overwriteAll = false;
    std::string name = "z.jpg";
    const std::string folder = dir.Path("b") + "/";
    EXPECT_EQ(CopyOrMoveFile(picture, folder + name, folder, name, renameAll, overwriteAll),
              kCopied);
    EXPECT_FALSE(Exists(folder + "z.vte"));
}

TEST(CopyOrMoveFile, WithoutAttributesTheAnimationCountsAsHiddenAndTravels) {
    platform::RefuseUserAttributesForTesting(true);
    TempDir dir;
    CheckCompanionsTravel(dir);
    platform::RefuseUserAttributesForTesting(false);
}

TEST(CopyFolder, PastingAFolderWhereItIsMakesCopiesOfIt) {
    TempDir dir;
    dir.Write("Pics/a.jpg", "a");
    dir.Write("Pics/sub/b.jpg", "b");
    const std::string pics = dir.Path("Pics") + "/";
    bool renameAll = false, overwriteAll = false;
    EXPECT_EQ(CopyFolder(pics, pics, renameAll, overwriteAll), kCopied);
    EXPECT_EQ(ReadFile(dir.Path("Copy of Pics/a.jpg")), "a");
    EXPECT_EQ(ReadFile(dir.Path("Copy of Pics/sub/b.jpg")), "b");
    EXPECT_EQ(CopyFolder(pics, pics, renameAll, overwriteAll), kCopied);
    EXPECT_EQ(ReadFile(dir.Path("Copy of Pics1/sub/b.jpg")), "b");

    for (int n = 2; n <= 99; ++n) {
        ASSERT_EQ(platform::CreateFolder(dir.Path("Copy of Pics" + std::to_string(n))),
                  platform::FileError::None);
    }
    ScriptedPrompts prompts;
    EXPECT_EQ(CopyFolder(pics, pics, renameAll, overwriteAll), kCopyCancelled);
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "To many directories with similar names");
    EXPECT_EQ(prompts.calls()[0].caption, "Copy dir error");
}

TEST(CopyFolder, AFolderIsNeverCopiedIntoItself) {
    TempDir dir;
    dir.Write("Pics/sub/a.jpg", "a");
    bool renameAll = false, overwriteAll = false;
    EXPECT_EQ(CopyFolder(dir.Path("Pics") + "/", dir.Path("Pics/sub/Pics") + "/", renameAll,
                         overwriteAll),
              kCopyFailed);
    EXPECT_FALSE(Exists(dir.Path("Pics/sub/Pics")));
    EXPECT_EQ(CopyFolder(dir.Path("Pics") + "/", dir.path() + "/./Pics/sub/../sub/Pics/", renameAll,
                         overwriteAll),
              kCopyFailed);
    EXPECT_FALSE(Exists(dir.Path("Pics/sub/Pics")));
}

TEST(CopyFolder, MovingAFolderTakesEverythingAndRemovesTheEmptiedSource) {
    TempDir dir;
    dir.Write("Pics/a.jpg", "a");
    const std::string animation = dir.Write("Pics/a.vte", "points");
    platform::SetHidden(animation, true);
    dir.Write("Pics/.hidden", "h");
    dir.Write("Pics/sub/b.jpg", "b");
    ASSERT_EQ(platform::CreateFolder(dir.Path("Pics/empty")), platform::FileError::None);
    ASSERT_EQ(platform::CreateFolder(dir.Path("Target")), platform::FileError::None);
    Mode move(1);
    bool renameAll = false, overwriteAll = false;
    EXPECT_EQ(
        CopyFolder(dir.Path("Pics") + "/", dir.Path("Target/Pics") + "/", renameAll, overwriteAll),
        kCopied);
    EXPECT_FALSE(Exists(dir.Path("Pics")));
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/a.vte")), "points");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/.hidden")), "h");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/sub/b.jpg")), "b");
    EXPECT_TRUE(platform::IsDirectory(dir.Path("Target/Pics/empty")));
}

TEST(CopyWithProgress, FilesOfAFolderAreCopiedWithCollisionsRenamed) {
    TempDir dir;
    dir.Write("work/index1.htm", "page");
    dir.Write("work/tmb_a.jpg", "thumb");
    dir.Write("work/data/script.js", "js");
    dir.Write("export/index1.htm", "older");
    struct Seen {
        std::uint64_t last = 0, all = 0;
        bool stop = false;
    };
    struct Recorder final : CopyProgressView {
        explicit Recorder(Seen& s) : seen(s) {}
        bool Update(std::uint64_t done, std::uint64_t total, const std::string&) override {
            seen.last = done;
            seen.all = total;
            return !seen.stop;
        }
        Seen& seen;
    };
    Seen seen;
    std::string title;
    const auto previous = SetCopyProgressFactory([&](QWidget*, const std::string& t) {
        title = t;
        return std::unique_ptr<CopyProgressView>(std::make_unique<Recorder>(seen));
    });
    EXPECT_TRUE(CopyFilesWithProgress(dir.Path("work"), dir.Path("export")));
    EXPECT_EQ(title, "Copying files...");
    EXPECT_EQ(ReadFile(dir.Path("export/index1.htm")), "older");
    EXPECT_EQ(ReadFile(dir.Path("export/index1_1.htm")), "page");
    EXPECT_EQ(ReadFile(dir.Path("export/tmb_a.jpg")), "thumb");
    EXPECT_FALSE(Exists(dir.Path("export/data")));
    EXPECT_EQ(seen.last, 9u);
    EXPECT_EQ(seen.all, 9u);

    EXPECT_TRUE(CopyFilesWithProgress(dir.Path("work/data/none"), dir.Path("new")));
    EXPECT_TRUE(CopyFilesWithProgress(dir.Path("work/data"), dir.Path("new/deep")));
    EXPECT_EQ(ReadFile(dir.Path("new/deep/script.js")), "js");
    EXPECT_TRUE(
        CopyFileWithProgress(nullptr, dir.Path("work/tmb_a.jpg"), dir.Path("new/tmb_a.jpg")));
    EXPECT_TRUE(
        CopyFileWithProgress(nullptr, dir.Path("work/tmb_a.jpg"), dir.Path("new/tmb_a.jpg")));
    EXPECT_EQ(ReadFile(dir.Path("new/tmb_a_1.jpg")), "thumb");

    seen.stop = true;
    EXPECT_FALSE(CopyFilesWithProgress(dir.Path("work"), dir.Path("stopped")));
    EXPECT_FALSE(Exists(dir.Path("stopped/index1.htm")));
    SetCopyProgressFactory(previous);
}

}  // namespace
