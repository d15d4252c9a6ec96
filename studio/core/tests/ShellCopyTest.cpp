#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>

#include "platform/files/FileOps.h"
#include "platform/files/Hidden.h"
#include "studio/core/ClipBoard.h"
#include "studio/core/ShellUtils.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScriptedPrompts;
using testing_support::TempDir;

// Answers the rename question from a queue (Cancel when it runs dry) and records it.
struct ScriptedRename {
    std::deque<RenameChoice> answers;
    std::vector<std::string> asked;
    RenameQuestion previous = SetRenameQuestion([this](const std::string& a, const std::string& b) {
        asked.push_back(a + "|" + b);
        if (answers.empty()) return RenameChoice{};
        RenameChoice next = answers.front();
        answers.pop_front();
        return next;
    });
    ~ScriptedRename() { SetRenameQuestion(previous); }
};

// Copies, or moves when the clipboard holds a cut, into one folder, keeping the answers
// "for all" from call to call.
struct Paste {
    Paste(std::string into, int mode) : folder(std::move(into)) { TheClipBoard().SetMode(mode); }
    ~Paste() { TheClipBoard().SetMode(ClipBoard::kCopy); }
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
};

using platform::PathExists;

TEST(CopyFileChecked, CopyingAFileOntoItselfNeverDestroysIt) {
    TempDir dir;
    const std::string x = dir.Write("x.jpg", "picture");
    ScriptedPrompts prompts;
    ScriptedRename rename;
    Paste paste(dir.path() + "/", ClipBoard::kCopy);
    paste.overwriteAll = true;
    EXPECT_EQ(paste.Checked(x, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");

    paste.overwriteAll = false;
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_EQ(paste.Checked(x, "x.jpg"), kCopied);
    EXPECT_EQ(ReadFile(x), "picture");
    EXPECT_EQ(rename.asked, (std::vector<std::string>{"x.jpg|x_1.jpg"}));

    // Moving onto itself, by another spelling, neither copies nor deletes.
    Paste move(dir.path() + "/./", ClipBoard::kCut);
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
    Paste paste(dir.Path("dst") + "/", ClipBoard::kCopy);

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
    EXPECT_FALSE(PathExists(dir.Path("escape.jpg")));

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
    Paste move(dir.Path("b") + "/", ClipBoard::kCut);
    EXPECT_EQ(move.File(source, "x.jpg"), kCopied);
    EXPECT_FALSE(PathExists(source));
    EXPECT_EQ(ReadFile(dir.Path("b/x.jpg")), "picture");

    // A failed copy is shown with its target and leaves the source where it is.
    ScriptedPrompts prompts;
    const std::string kept = dir.Write("a/y.jpg", "kept");
    Paste nowhere(dir.Path("none") + "/", ClipBoard::kCut);
    EXPECT_EQ(nowhere.File(kept, "y.jpg"), kCopyFailed);
    EXPECT_EQ(ReadFile(kept), "kept");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, dir.Path("none/y.jpg"));
    EXPECT_EQ(prompts.calls()[0].caption, "Error copying file");
}

TEST(CopyOrMoveFile, AHiddenAnimationMovesWithItsPicture) {
    // Where the file system takes no user attributes, every ".vte" counts as hidden.
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "attributes refused" : "attributes taken");
        platform::RefuseUserAttributesForTesting(refused);
        TempDir dir;
        if (!refused && !platform::TakesUserAttributes(dir.path())) continue;
        const std::string picture = dir.Write("a/x.jpg", "picture");
        const std::string animation = dir.Write("a/x.vte", "points");
        EXPECT_TRUE(platform::SetHidden(animation, true));
        dir.Write("b/x.jpg", "taken");
        Paste move(dir.Path("b") + "/", ClipBoard::kCut);
        move.renameAll = true;
        EXPECT_EQ(move.File(picture, "x.jpg"), kCopied);
        EXPECT_EQ(move.name, "x_1.jpg");
        EXPECT_FALSE(PathExists(picture));
        EXPECT_FALSE(PathExists(animation));
        EXPECT_EQ(ReadFile(dir.Path("b/x_1.vte")), "points");
        EXPECT_TRUE(platform::IsHidden(dir.Path("b/x_1.vte")));
        if (refused) continue;

        // A visible animation file is not the picture's companion.
        const std::string other = dir.Write("c/z.jpg", "z");
        dir.Write("c/z.vte", "v");
        EXPECT_EQ(move.File(other, "z.jpg"), kCopied);
        EXPECT_FALSE(PathExists(dir.Path("b/z.vte")));
    }
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

    // Never into itself, by any spelling or through a link.
    ASSERT_EQ(::symlink(pics.c_str(), dir.Path("Alias").c_str()), 0);
    for (const std::string& into :
         {dir.Path("Pics/sub/Pics") + "/", dir.path() + "/./Pics/sub/../sub/Pics/",
          dir.Path("Alias/sub/Pics/")}) {
        EXPECT_EQ(CopyFolder(pics, into, renameAll, overwriteAll), kCopyFailed) << into;
        EXPECT_FALSE(PathExists(dir.Path("Pics/sub/Pics")));
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
    Paste move(dir.Path("Target/Pics/"), ClipBoard::kCut);
    EXPECT_EQ(CopyFolder(dir.Path("Pics") + "/", move.folder, move.renameAll, move.overwriteAll),
              kCopied);
    EXPECT_FALSE(PathExists(dir.Path("Pics")));
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/a.vte")), "points");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/lone.vte")), "alone");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/.hidden")), "h");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/sub/b.jpg")), "b");
    EXPECT_TRUE(platform::IsDirectory(dir.Path("Target/Pics/empty")));
}

TEST(CopyFolder, AnEntryThatFailsFailsTheFolderWhateverFollows) {
    TempDir dir;
    ScriptedPrompts prompts;
    dir.Write("Pics/a.jpg", "a");
    dir.Write("Pics/b.jpg", "b");
    dir.Write("Pics/z.jpg", "z");
    ASSERT_TRUE(std::filesystem::create_directories(dir.Path("Target/Pics/b.jpg")));
    Paste move(dir.Path("Target/Pics/"), ClipBoard::kCut);
    move.overwriteAll = true;
    EXPECT_EQ(CopyFolder(dir.Path("Pics") + "/", move.folder, move.renameAll, move.overwriteAll),
              kCopyFailed);
    EXPECT_EQ(ReadFile(dir.Path("Pics/b.jpg")), "b");
    EXPECT_EQ(ReadFile(dir.Path("Target/Pics/z.jpg")), "z");
    EXPECT_EQ(prompts.calls().size(), 1u);
}

TEST(CopyWithProgress, FilesOfAFolderAreCopiedWithCollisionsRenamed) {
    TempDir dir;
    dir.Write("work/index1.htm", "page");
    dir.Write("work/data/script.js", "js");
    dir.Write("export/index1.htm", "older");
    EXPECT_TRUE(CopyFilesWithProgress(dir.Path("work"), dir.Path("export")));
    EXPECT_EQ(ReadFile(dir.Path("export/index1.htm")), "older");
    EXPECT_EQ(ReadFile(dir.Path("export/index1_1.htm")), "page");

    // The user's stop leaves nothing behind.
    struct Stopper final : CopyProgressView {
        bool Update(std::uint64_t, std::uint64_t, const std::string&) override { return false; }
    };
    std::string title;
    const auto previous = SetCopyProgressFactory([&](QWidget*, const std::string& t) {
        title = t;
        return std::unique_ptr<CopyProgressView>(std::make_unique<Stopper>());
    });
    EXPECT_FALSE(CopyFilesWithProgress(dir.Path("work"), dir.Path("stopped")));
    EXPECT_EQ(title, "Copying files...");
    EXPECT_FALSE(PathExists(dir.Path("stopped/index1.htm")));
    SetCopyProgressFactory(previous);
}

}  // namespace
