#include <gtest/gtest.h>

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
        previous_ = SetRenameQuestion([this](const std::string& existing, const std::string& to) {
            asked.push_back(existing + "|" + to);
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

// Copies or moves (by the clipboard's mode, restored at the end) into one folder, keeping
// the answers "for all" from call to call.
class Paste {
public:
    Paste(std::string into, int mode)
        : folder(std::move(into)), previous_(TheClipBoard().GetMode()) {
        TheClipBoard().SetMode(mode);
    }
    ~Paste() { TheClipBoard().SetMode(previous_); }

    int File(const std::string& source, const std::string& asName) {
        name = asName;
        return CopyOrMoveFile(source, folder + name, folder, name, renameAll, overwriteAll);
    }
    int Checked(const std::string& source, const std::string& asName) {
        name = asName;
        return CopyFileChecked(source, folder + name, folder, name, renameAll, overwriteAll);
    }

    std::string folder;  // with its trailing slash
    std::string name;
    bool renameAll = false, overwriteAll = false;

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
    Paste paste(dir.path() + "/", 0);
    paste.overwriteAll = true;
    EXPECT_EQ(paste.Checked(x, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");

    paste.overwriteAll = false;
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_EQ(paste.Checked(x, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");
    EXPECT_EQ(rename.asked, (std::vector<std::string>{"x.jpg|x_1.jpg"}));

    // Moving onto itself, by another spelling, neither copies nor deletes.
    Paste move(dir.path() + "/./", 1);
    move.overwriteAll = true;
    EXPECT_EQ(move.File(x, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");

    paste.renameAll = true;
    EXPECT_EQ(paste.Checked(x, "x.jpg"), kCopied);
    EXPECT_EQ(paste.name, "x_1.jpg");
    EXPECT_EQ(ReadFile(dir.Path("x_1.jpg")), "picture");
    EXPECT_TRUE(prompts.calls().empty());
}

TEST(CopyFileChecked, CollisionsAreAnsweredOnceOrForAll) {
    TempDir dir;
    const std::string source = dir.Write("src/x.jpg", "new");
    dir.Write("dst/x.jpg", "old");
    ScriptedPrompts prompts;
    ScriptedRename rename;
    Paste paste(dir.Path("dst") + "/", 0);

    // Rename for all: x_1.jpg, then x_2.jpg without asking again.
    rename.answers.push_back({RenameChoice::AutoRename, true, ""});
    EXPECT_EQ(paste.Checked(source, "x.jpg"), kCopied);
    EXPECT_EQ(paste.name, "x_1.jpg");
    EXPECT_EQ(paste.Checked(source, "x.jpg"), kCopied);
    EXPECT_EQ(paste.name, "x_2.jpg");
    EXPECT_EQ(rename.asked.size(), 1u);

    // An edited name; one that would leave the folder is asked for again.
    paste.renameAll = false;
    rename.answers.push_back({RenameChoice::UseName, false, "../escape.jpg"});
    rename.answers.push_back({RenameChoice::UseName, false, "edited.jpg"});
    EXPECT_EQ(paste.Checked(source, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(dir.Path("dst/edited.jpg")), "new");
    EXPECT_FALSE(Exists(dir.Path("escape.jpg")));

    rename.answers.push_back({RenameChoice::Overwrite, true, ""});
    EXPECT_EQ(paste.Checked(source, "x.jpg"), kCopiedOver);
    EXPECT_EQ(ReadFile(dir.Path("dst/x.jpg")), "new");

    // Cancel stops the whole operation.
    paste.overwriteAll = false;
    EXPECT_EQ(paste.Checked(source, "x.jpg"), kCopyCancelled);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST(CopyOrMoveFile, MovesDeleteTheSourceOnlyOnceTheCopyIsThere) {
    TempDir dir;
    const std::string source = dir.Write("a/x.jpg", "picture");
    ASSERT_EQ(platform::CreateFolder(dir.Path("b")), platform::FileError::None);
    Paste move(dir.Path("b") + "/", 1);
    EXPECT_EQ(move.File(source, "x.jpg"), kCopied);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadFile(dir.Path("b/x.jpg")), "picture");

    // A failed copy is shown with its target and leaves the source where it is.
    ScriptedPrompts prompts;
    const std::string kept = dir.Write("a/y.jpg", "kept");
    Paste nowhere(dir.Path("none") + "/", 1);
    EXPECT_EQ(nowhere.File(kept, "y.jpg"), kCopyFailed);
    EXPECT_EQ(ReadFile(kept), "kept");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, dir.Path("none/y.jpg"));
    EXPECT_EQ(prompts.calls()[0].caption, "Error copying file");
}

void CheckCompanionsTravel(const TempDir& dir) {
    const std::string picture = dir.Write("a/x.jpg", "picture");
    const std::string animation = dir.Write("a/x.vte", "points");
    ASSERT_TRUE(platform::SetHidden(animation, true));
    dir.Write("b/x.jpg", "taken");
    Paste move(dir.Path("b") + "/", 1);
    move.renameAll = true;
    EXPECT_EQ(move.File(picture, "x.jpg"), kCopied);
    EXPECT_EQ(move.name, "x_1.jpg");
    EXPECT_FALSE(Exists(picture));
    EXPECT_FALSE(Exists(animation));
    EXPECT_EQ(ReadFile(dir.Path("b/x_1.vte")), "points");
    EXPECT_TRUE(platform::IsHidden(dir.Path("b/x_1.vte")));
}

TEST(CopyOrMoveFile, AHiddenAnimationMovesWithItsPicture) {
    TempDir dir;
    if (!platform::TakesUserAttributes(dir.path())) GTEST_SKIP() << "no user attributes here";
    CheckCompanionsTravel(dir);

    // A visible animation file is not the picture's companion.
    const std::string picture = dir.Write("c/z.jpg", "z");
    dir.Write("c/z.vte", "v");
    Paste move(dir.Path("b") + "/", 1);
    EXPECT_EQ(move.File(picture, "z.jpg"), kCopied);
    EXPECT_FALSE(Exists(dir.Path("b/z.vte")));
}

TEST(CopyOrMoveFile, WithoutAttributesTheAnimationCountsAsHiddenAndTravels) {
    platform::RefuseUserAttributesForTesting(true);
    TempDir dir;
    CheckCompanionsTravel(dir);
    platform::RefuseUserAttributesForTesting(false);
}

TEST(CopyFolder, PastingAFolderWhereItIsMakesCopiesOfIt) {
    TempDir dir;
    dir.Write("Pics/sub/b.jpg", "b");
    const std::string pics = dir.Path("Pics") + "/";
    bool renameAll = false, overwriteAll = false;
    EXPECT_EQ(CopyFolder(pics, pics, renameAll, overwriteAll), kCopied);
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

    // Never into itself, by any spelling.
    for (const std::string& into :
         {dir.Path("Pics/sub/Pics") + "/", dir.path() + "/./Pics/sub/../sub/Pics/"}) {
        EXPECT_EQ(CopyFolder(pics, into, renameAll, overwriteAll), kCopyFailed) << into;
        EXPECT_FALSE(Exists(dir.Path("Pics/sub/Pics")));
    }
}

TEST(CopyFolder, MovingAFolderTakesEverythingAndRemovesTheEmptiedSource) {
    TempDir dir;
    dir.Write("Pics/a.jpg", "a");
    const std::string animation = dir.Write("Pics/a.vte", "points");
    platform::SetHidden(animation, true);
    dir.Write("Pics/lone.vte", "alone");
    dir.Write("Pics/.hidden", "h");
    dir.Write("Pics/sub/b.jpg", "b");
    ASSERT_EQ(platform::CreateFolder(dir.Path("Pics/empty")), platform::FileError::None);
    ASSERT_EQ(platform::CreateFolder(dir.Path("Target")), platform::FileError::None);
    Paste move(dir.Path("Target/Pics/"), 1);
    EXPECT_EQ(CopyFolder(dir.Path("Pics") + "/", move.folder, move.renameAll, move.overwriteAll),
              kCopied);
    EXPECT_FALSE(Exists(dir.Path("Pics")));
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/a.vte")), "points");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/lone.vte")), "alone");
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
    struct Recorder final : CopyProgressView {
        bool Update(std::uint64_t done, std::uint64_t total, const std::string&) override {
            *last = done;
            EXPECT_EQ(total, 9u);
            return !*stop;
        }
        std::uint64_t* last;
        bool* stop;
    };
    std::uint64_t last = 0;
    bool stop = false;
    std::string title;
    const auto previous = SetCopyProgressFactory([&](QWidget*, const std::string& t) {
        title = t;
        auto view = std::make_unique<Recorder>();
        view->last = &last;
        view->stop = &stop;
        return std::unique_ptr<CopyProgressView>(std::move(view));
    });
    EXPECT_TRUE(CopyFilesWithProgress(dir.Path("work"), dir.Path("export")));
    EXPECT_EQ(title, "Copying files...");
    EXPECT_EQ(ReadFile(dir.Path("export/index1.htm")), "older");
    EXPECT_EQ(ReadFile(dir.Path("export/index1_1.htm")), "page");
    EXPECT_EQ(ReadFile(dir.Path("export/tmb_a.jpg")), "thumb");
    EXPECT_FALSE(Exists(dir.Path("export/data")));
    EXPECT_EQ(last, 9u);

    stop = true;
    EXPECT_FALSE(CopyFilesWithProgress(dir.Path("work"), dir.Path("stopped")));
    EXPECT_FALSE(Exists(dir.Path("stopped/index1.htm")));
    SetCopyProgressFactory(previous);
}

}  // namespace
