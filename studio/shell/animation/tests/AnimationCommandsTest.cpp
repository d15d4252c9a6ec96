#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QListWidget>
#include <QTest>

#include "studio/projects/Animation.h"
#include "studio/projects/AnimationFile.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/animation/tests/AnimationTesting.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileImages.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/viewer/PageViewerScript.h"
#include "testing/DialogDriver.h"

namespace {

using animation_testing::AnimationStudio;
using platform::PromptAnswer;
using Texts = std::vector<std::string>;

QListWidget& PointList(AnimationStudio& studio) {
    return *studio.sheet->findChild<QListWidget*>("1050");
}

void SelectRow(AnimationStudio& studio, int row) {
    PointList(studio).setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

std::string WriteAnimationFile(const std::string& picture, const std::string& title) {
    const std::string path = animation_file::PathFor(picture);
    std::ofstream(path) << "<ANIMTITLE>" << title
                        << "</ANIMTITLE><POINTDATA><POINT><NAME>Old</NAME><POS>1,2,1</POS>"
                           "<SIZE>320,200</SIZE></POINT></POINTDATA>";
    return path;
}

// Runs a command that would open the point-name dialog; true when it opened one (which is
// then cancelled).
bool OpensDialog(int id) {
    bool opened = false;
    bool timedOut = false;
    testing_support::DriveNextDialog(
        [&](testing_support::DialogDriver& dialog) {
            opened = true;
            dialog.Press(2);
        },
        200, &timedOut);
    ExecuteCommand(id);
    ServeEventsUntil([&] { return opened || timedOut; });
    return opened;
}

TEST(AnimationCommands, InsertedPointsCountOnAcrossAnimations) {
    AnimationStudio studio;
    studio.StartWith(studio.WritePicture("a.jpg"));
    EXPECT_FALSE(IsCommandEnabled(kAnimationPosInsert)) << "no point to insert before";
    studio.AddPoints({200});
    EXPECT_FALSE(IsCommandEnabled(kAnimationExport)) << "one point";
    SelectRow(studio, 0);
    ExecuteCommand(kAnimationPosInsert);
    ExecuteCommand(kAnimationPosInsert);
    EXPECT_EQ(studio.PointNames(), (Texts{"Inserted2", "Inserted1", "A"}));
    EXPECT_EQ(studio.RowTexts(), studio.PointNames());
    EXPECT_EQ(CurrentAnimation()->GetPoint(0)->size, Vector2<int>(320, 200));
    EXPECT_TRUE(IsCommandEnabled(kAnimationExport));

    studio.prompts.Answer(PromptAnswer::No);
    ExecuteCommand(kAnimationClose);
    ASSERT_EQ(CurrentAnimation(), nullptr);

    studio.StartWith(studio.WritePicture("b.jpg"));
    studio.AddPoints({300});
    SelectRow(studio, 0);
    ExecuteCommand(kAnimationPosInsert);
    EXPECT_EQ(studio.PointNames(), (Texts{"Inserted3", "A"}));
}

TEST(AnimationCommands, AnimateImageAnsweredNoKeepsTheNewEmptyAnimation) {
    AnimationStudio studio;
    const std::string picture = studio.WritePicture("p.jpg");
    WriteAnimationFile(picture, "Old");
    studio.Select(picture);
    EXPECT_TRUE(IsCommandEnabled(kAnimationOpen));
    EXPECT_FALSE(IsCommandEnabled(kAnimationLoadImage)) << "it has its own animation";

    studio.prompts.Answer(PromptAnswer::No);
    ExecuteCommand(kAnimationLoadImage);
    ASSERT_NE(CurrentAnimation(), nullptr);
    EXPECT_FALSE(CurrentAnimation()->HasImage());
    ASSERT_EQ(studio.prompts.calls().size(), 1u);
    EXPECT_EQ(studio.prompts.calls()[0].caption, "Load image to animation");
    EXPECT_EQ(studio.prompts.calls()[0].buttons, platform::MessageButtons::YesNo);

    EXPECT_TRUE(IsCommandEnabled(kAnimationLoadImage)) << "now an animation is open";
    studio.prompts.Answer(PromptAnswer::Yes);
    ExecuteCommand(kAnimationLoadImage);
    EXPECT_EQ(CurrentAnimation()->GetImagePath(), picture);
    EXPECT_EQ(studio.PointNames(), (Texts{"Old"}));
}

TEST(AnimationCommands, SavingANewAnimationFileRefreshesTheThumbnailOnce) {
    AnimationStudio studio;
    const std::string picture = studio.WritePicture("p.jpg");
    studio.ShowFileList();
    Animation& animation = studio.StartWith(picture);
    studio.AddPoints({200});
    int renders = 0;
    const ThumbnailRenderer previous =
        SetThumbnailRenderer([&](const std::string& path) -> std::optional<RenderedThumbnail> {
            if (path == picture) ++renders;
            RenderedThumbnail made;
            made.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
            return made;
        });

    EXPECT_TRUE(IsCommandEnabled(kAnimationSave));
    ExecuteCommand(kAnimationSave);
    EXPECT_TRUE(std::filesystem::exists(animation.GetAnimationFilePath()));
    EXPECT_FALSE(IsCommandEnabled(kAnimationSave)) << "nothing left to save";
    EXPECT_EQ(renders, 1);

    studio.AddPoints({300});
    ExecuteCommand(kAnimationSave);
    EXPECT_EQ(renders, 1) << "the file was there already";
    SetThumbnailRenderer(previous);
}

TEST(AnimationCommands, PointCommandsDoNothingWithoutAViewerInThePage) {
    AnimationStudio studio;
    studio.StartWith(studio.WritePicture("p.jpg"));
    studio.AddPoints({100, 200});
    SelectRow(studio, 1);
    const Texts names = studio.PointNames();
    const Vector3 second = CurrentAnimation()->GetPoint(1)->position;
    studio.browser->hasViewer = false;
    studio.browser->viewer.posX = 900;
    const std::size_t pages = studio.browser->navigations.size();

    for (int id : {kAnimationPosAdd, kAnimationPosInsert, kAnimationPosChange, kAnimationPosDelete,
                   kAnimationPosGo}) {
        ExecuteCommand(id);
    }
    EXPECT_FALSE(OpensDialog(kAnimationPosRename));
    EXPECT_EQ(studio.PointNames(), names);
    EXPECT_EQ(CurrentAnimation()->GetPoint(1)->position, second);
    EXPECT_EQ(studio.browser->navigations.size(), pages);
}

TEST(AnimationCommands, DeletingThePointLeavesTheOthersInOrder) {
    AnimationStudio studio;
    studio.StartWith(studio.WritePicture("p.jpg"));
    studio.AddPoints({100, 200, 300, 400});
    SelectRow(studio, 1);
    ExecuteCommand(kAnimationPosDelete);
    EXPECT_EQ(studio.PointNames(), (Texts{"A", "C", "D"}));
    EXPECT_EQ(studio.RowTexts(), studio.PointNames());

    // The Delete key in the list does the same.
    SelectRow(studio, 2);
    QTest::keyClick(&PointList(studio), Qt::Key_Delete);
    EXPECT_EQ(studio.PointNames(), (Texts{"A", "C"}));
    EXPECT_EQ(studio.RowTexts(), studio.PointNames());
}

TEST(AnimationCommands, RenameAndChangeEditTheSelectedPoint) {
    AnimationStudio studio;
    Animation& animation = studio.StartWith(studio.WritePicture("p.jpg"));
    studio.AddPoints({100, 200});
    SelectRow(studio, 1);
    const struct {
        const char* typed;
        bool accepted;
        const char* name;
        bool modified;
    } cases[] = {
        {"Harbour gate", true, "Harbour gate", true},
        {"harbour gate", true, "harbour gate", true},  // case counts
        {"harbour gate", true, "harbour gate", false},
        {"Lighthouse", false, "harbour gate", false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(animation.SaveAnimationFile());
        std::string preset;
        testing_support::DriveNextDialog([&](testing_support::DialogDriver& dialog) {
            EXPECT_EQ(dialog.dialog()->windowTitle(), "Change name");
            preset = dialog.Text(1054).toStdString();
            dialog.SetText(1054, c.typed);
            dialog.Press(c.accepted ? 1 : 2);
        });
        ExecuteCommand(kAnimationPosRename);
        EXPECT_EQ(studio.PointNames(), (Texts{"A", c.name})) << c.typed;
        EXPECT_EQ(studio.RowTexts(), studio.PointNames());
        EXPECT_EQ(animation.IsModified(), c.modified) << c.typed;
    }

    studio.browser->viewer = {320, 200, 10, 20, 2};
    ExecuteCommand(kAnimationPosChange);
    const AnimationPoint& changed = *animation.GetPoint(1);
    EXPECT_EQ(changed.position, Vector3(90, 70, 2));
    EXPECT_EQ(changed.size, Vector2<int>(500, 400)) << "the viewer pane's size";
    EXPECT_TRUE(animation.IsModified());

    SelectRow(studio, 0);
    ExecuteCommand(kAnimationPosGo);
    EXPECT_EQ(studio.browser->scripts.back(), SetPositionScript(animation.GetPoint(0)->position));
}

TEST(AnimationCommands, OpenAndCloseOfferToSaveAndKeepTheAnimationWhenThatFails) {
    AnimationStudio studio;
    Animation& first = studio.StartWith(studio.WritePicture("first.jpg"));
    studio.AddPoints({100});
    const std::string other = studio.WritePicture("other.jpg");
    WriteAnimationFile(other, "Other");
    studio.Select(other);

    studio.prompts.Answer(PromptAnswer::Cancel);
    ExecuteCommand(kAnimationOpen);
    ASSERT_EQ(studio.prompts.calls().size(), 1u);
    EXPECT_EQ(studio.prompts.calls()[0].text, "Do you want to save your animation?");
    EXPECT_EQ(studio.prompts.calls()[0].caption, "Save animation");
    EXPECT_EQ(studio.prompts.calls()[0].buttons, platform::MessageButtons::YesNoCancel);
    EXPECT_EQ(CurrentAnimation(), &first);
    EXPECT_EQ(studio.PointNames(), (Texts{"A"}));

    // A folder where the animation file goes: the save cannot be made.
    std::filesystem::create_directory(first.GetAnimationFilePath());
    studio.prompts.Answer(PromptAnswer::Yes);
    ExecuteCommand(kAnimationOpen);
    EXPECT_EQ(CurrentAnimation(), &first);
    studio.prompts.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(ExecuteCommand(kAnimationClose));
    EXPECT_EQ(CurrentAnimation(), &first);
    EXPECT_TRUE(first.IsModified());

    std::filesystem::remove(first.GetAnimationFilePath());
    studio.prompts.Answer(PromptAnswer::Yes);
    ExecuteCommand(kAnimationOpen);
    ASSERT_NE(CurrentAnimation(), nullptr);
    EXPECT_EQ(CurrentAnimation()->GetImagePath(), other);
    EXPECT_EQ(CurrentAnimation()->GetTitle(), "Other");
    EXPECT_TRUE(std::filesystem::exists(animation_file::PathFor(studio.pictures + "first.jpg")));

    // Nothing changed: Close asks nothing.
    const std::size_t asked = studio.prompts.calls().size();
    EXPECT_TRUE(ExecuteCommand(kAnimationClose));
    EXPECT_EQ(CurrentAnimation(), nullptr);
    EXPECT_EQ(studio.prompts.calls().size(), asked);
}

TEST(AnimationCommands, DeleteAndExportAskFirst) {
    AnimationStudio studio;
    const std::string picture = studio.WritePicture("p.jpg");
    const std::string file = WriteAnimationFile(picture, "Tour");
    studio.Select(picture);
    EXPECT_TRUE(IsCommandEnabled(kAnimationDelete));
    studio.prompts.Answer(PromptAnswer::No);
    ExecuteCommand(kAnimationDelete);
    EXPECT_TRUE(std::filesystem::exists(file));
    studio.prompts.Answer(PromptAnswer::Yes);
    ExecuteCommand(kAnimationDelete);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(IsCommandEnabled(kAnimationDelete));
    EXPECT_EQ(studio.prompts.calls().back().caption, "Delete animation");

    // A name that cannot be deleted (here a folder in the animation file's place) is a
    // failure the user hears of, not a silent success.
    std::filesystem::create_directory(file);
    ASSERT_TRUE(IsCommandEnabled(kAnimationDelete));
    studio.prompts.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(ExecuteCommand(kAnimationDelete));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(studio.prompts.calls().back().text, "Failed to delete the animation file");
    std::filesystem::remove(file);

    studio.StartWith(picture);
    studio.AddPoints({100, 200});
    studio.prompts.AnswerPath(std::nullopt);
    ExecuteCommand(kAnimationExport);
    EXPECT_EQ(studio.prompts.calls().back().text, "Select location for the animation folder");
    const std::string target = studio.temp.Path("site");
    std::filesystem::create_directory(target);
    studio.prompts.AnswerPath(target);
    studio.prompts.Answer(PromptAnswer::Ok);
    ExecuteCommand(kAnimationExport);
    EXPECT_TRUE(std::filesystem::exists(target + "/p/index.htm"));
    EXPECT_EQ(studio.prompts.calls().back().caption, "Animation save");
}

}  // namespace
