// An animation made, saved, opened again and exported through the studio's own windows.
#include <gtest/gtest.h>

#include <filesystem>

#include <QImage>
#include <QPushButton>

#include "platform/files/Hidden.h"
#include "studio/projects/Animation.h"
#include "studio/projects/AnimationFile.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/animation/tests/AnimationTesting.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileImages.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/panes/InfoImageSheet.h"
#include "studio/shell/panes/InfoView.h"
#include "testing/PageReferences.h"
#include "testing/StudioTestRig.h"

namespace {

using Texts = std::vector<std::string>;

void Press(const InfoExtraSheet& sheet, int id) {
    auto* button = sheet.findChild<QPushButton*>(QString::number(id));
    ASSERT_NE(button, nullptr) << id;
    EXPECT_TRUE(button->isEnabled()) << id;
    button->click();
}

Texts PointNames() {
    Texts names;
    Animation* animation = CurrentAnimation();
    for (int i = 0; animation != nullptr && i < animation->GetPointCount(); ++i) {
        names.push_back(animation->GetPoint(i)->name);
    }
    return names;
}

TEST(AnimationInTheStudio, APathIsRecordedSavedOpenedAgainAndExported) {
    testing_support::StudioTestRig rig;
    animation_testing::TemporaryFolderOverride tmp(rig.temp().Path("tmp"));
    ASSERT_TRUE(rig.Start());
    CMainFrame& frame = *rig.frame();
    testing_support::FakeBrowser& browser = *rig.browser();
    const std::string pictures = rig.temp().Path("pictures") + "/";
    std::filesystem::create_directories(pictures);
    const std::string picture = pictures + "Harbour.jpg";
    WritePicture(picture, QColor(30, 120, 200), 64, 48);
    WritePicture(pictures + "Other.jpg", QColor(200, 120, 30), 64, 48);

    FileView& list = *frame.GetFileView();
    list.SetFolder(PidlPath(pictures));
    ASSERT_TRUE(WaitLoaded(list));
    const int row = list.FindItem("Harbour.jpg");
    ASSERT_GE(row, 0);
    list.setCurrentRow(row);
    list.UpdateSelection();

    // The picture shown in the info pane, whose "Animate" button starts the animation.
    InfoView& info = *frame.GetInfoView();
    info.ShowFile(picture, nullptr);
    auto* animate = info.GetImageSheet()->findChild<QPushButton*>("1192");
    ASSERT_NE(animate, nullptr);
    EXPECT_EQ(animate->text(), "Animate");
    animate->click();
    ASSERT_NE(CurrentAnimation(), nullptr);
    InfoExtraSheet& sheet = *info.GetAnimationSheet();
    EXPECT_TRUE(sheet.isVisible());
    browser.hasViewer = true;
    browser.viewer = {320, 200, 0, 0, 1};
    browser.FinishLoad();

    const Texts names = {"Quay", "Lighthouse", "Gate"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        browser.viewer.posX = 100.0f * static_cast<float>(i);
        testing_support::DriveNextDialog([&](testing_support::DialogDriver& dialog) {
            dialog.SetText(1054, QString::fromStdString(names[i]));
            dialog.Press(1);
        });
        Press(sheet, 1048);
        browser.FinishLoad();
    }
    EXPECT_EQ(PointNames(), names);

    Press(sheet, 1160);
    const std::string file = animation_file::PathFor(picture);
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(platform::IsHidden(file));
    const std::optional<RenderedThumbnail> marked = RenderFileThumbnail(picture, true);
    ASSERT_TRUE(marked.has_value());
    EXPECT_EQ(list.Images().Image(list.GetItemSlot(row)).convertToFormat(QImage::Format_RGB32),
              marked->image.convertToFormat(QImage::Format_RGB32));

    Press(sheet, 1165);
    EXPECT_EQ(CurrentAnimation(), nullptr);
    EXPECT_EQ(rig.prompts().calls().size(), 0u) << "nothing was left to save";

    // Open, from the menu: the list's selection is taken afresh.
    frame.GetSelection().Clear();
    EXPECT_FALSE(IsCommandEnabled(kAnimationOpen));
    EXPECT_TRUE(frame.GetRouter().Invoke(kAnimationOpen));
    ASSERT_NE(CurrentAnimation(), nullptr);
    EXPECT_EQ(PointNames(), names);
    browser.FinishLoad();

    const std::string site = rig.temp().Path("site");
    std::filesystem::create_directories(site);
    rig.prompts().AnswerPath(site);
    rig.prompts().Answer(platform::PromptAnswer::Ok);
    Press(sheet, 1161);
    const std::string page = site + "/Harbour/index.htm";
    ASSERT_TRUE(std::filesystem::exists(page));
    EXPECT_EQ(testing_support::MissingReferences(page), Texts{});
    EXPECT_FALSE(std::filesystem::exists(site + "/Harbour/Harbour.vte"));
}

}  // namespace
