#include <filesystem>
#include <string>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>

#include <gtest/gtest.h>

#include "studio/core/FileSelection.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/vantelify/InfoVantelifySheet.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/PageReferences.h"
#include "testing/StudioTestRig.h"

namespace {

using platform::PromptAnswer;
using testing_support::ReadFile;

// The studio with its real panes and the page commands; the browser is the rig's fake,
// which finishes a load when told.
class PageCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start());
        frame_ = rig_.frame();
        ASSERT_NE(frame_, nullptr);
        sheet_ = frame_->GetInfoView()->GetPageSheet();
        ASSERT_NE(sheet_, nullptr);
        folder_ = rig_.temp().Path("pages") + "/";
    }

    std::string Picture(const std::string& name, int width, int height) {
        std::filesystem::create_directories(folder_);
        WritePicture(folder_ + name, QColor(30, 120, 200), width, height);
        return folder_ + name;
    }
    std::string Page(const std::string& name, const std::string& text) {
        return rig_.temp().Write("pages/" + name, text);
    }
    // Selects a file as the file list would and sets it as the page; the browser loads it.
    void SetFile(const std::string& name) {
        frame_->GetSelection().SetFromNames(folder_, {name});
        ASSERT_TRUE(IsCommandEnabled(kVantelifySetFile));
        ExecuteCommand(kVantelifySetFile);
        rig_.browser()->FinishLoad();
    }
    QListWidget* List() const { return sheet_->findChild<QListWidget*>("1075"); }
    template <class T = QWidget>
    T* Control(int id) const {
        return sheet_->findChild<T*>(QString::number(id));
    }
    std::string PagePath() const {
        return CurrentVantelifier() != nullptr ? CurrentVantelifier()->GetPagePath() : "";
    }

    testing_support::StudioTestRig rig_;
    CMainFrame* frame_ = nullptr;
    InfoVantelifySheet* sheet_ = nullptr;
    std::string folder_;
};

constexpr const char* kOnePicture =
    "<html><head></head><body><img src='a.jpg' width=10 height=10></body></html>";

TEST_F(PageCommands, SetFileReplacesAnUnchangedPageAndAsksThroughCloseForAChangedOne) {
    Picture("a.jpg", 10, 10);
    const std::string first = Page("first.htm", kOnePicture);
    const std::string second = Page("second.htm", kOnePicture);
    SetFile("first.htm");
    ASSERT_EQ(PagePath(), first);
    EXPECT_EQ(frame_->GetMode(), 3);
    ASSERT_EQ(List()->count(), 1);

    SetFile("second.htm");
    EXPECT_EQ(PagePath(), second);
    EXPECT_TRUE(rig_.prompts().calls().empty());

    List()->setCurrentRow(0);
    Control<QCheckBox>(1078)->click();
    ASSERT_TRUE(CurrentVantelifier()->IsModified());
    rig_.prompts().Answer(PromptAnswer::Cancel);
    SetFile("first.htm");
    ASSERT_EQ(rig_.prompts().calls().size(), 1u);
    EXPECT_EQ(rig_.prompts().calls()[0].caption, "Save Vantelified page");
    EXPECT_EQ(PagePath(), second);
    EXPECT_TRUE(CurrentVantelifier()->IsModified());
    EXPECT_TRUE(sheet_->GetPage().images.at(0).zoomable);

    rig_.prompts().Answer(PromptAnswer::No);
    SetFile("first.htm");
    EXPECT_EQ(PagePath(), first);
    EXPECT_FALSE(CurrentVantelifier()->IsModified());
    EXPECT_EQ(List()->count(), 1);
    EXPECT_EQ(rig_.prompts().unanswered(), 0);
}

TEST_F(PageCommands, CloseKeepsThePageWhenItsSaveFails) {
    Picture("a.jpg", 10, 10);
    Page("page.htm", kOnePicture);
    SetFile("page.htm");
    List()->setCurrentRow(0);
    Control<QCheckBox>(1078)->click();
    rig_.prompts().Answer(PromptAnswer::Yes);
    rig_.prompts().AnswerPath(folder_ + "missing/saved.htm");
    rig_.prompts().Answer(PromptAnswer::Ok);  // another folder than the page's
    rig_.prompts().Answer(PromptAnswer::Ok);  // the script could not be written
    rig_.prompts().Answer(PromptAnswer::Ok);  // the save failed
    ExecuteCommand(kVantelifyClose);
    ASSERT_NE(CurrentVantelifier(), nullptr);
    EXPECT_EQ(rig_.prompts().calls().back().text, "Failed to save the vantelfied page");
    EXPECT_EQ(frame_->GetMode(), 3);

    rig_.prompts().Answer(PromptAnswer::No);
    ExecuteCommand(kVantelifyClose);
    EXPECT_EQ(CurrentVantelifier(), nullptr);
    EXPECT_EQ(frame_->GetMode(), 0);
    EXPECT_EQ(rig_.prompts().unanswered(), 0);
}

TEST_F(PageCommands, FullScreenOnlyWhileThePictureIsShown) {
    const std::string picture = Picture("a.jpg", 10, 10);
    Page("page.htm", kOnePicture);
    frame_->GetInfoView()->ShowFile(picture, nullptr);
    EXPECT_TRUE(IsCommandEnabled(kViewFullscreen));
    ExecuteCommand(kViewFullscreen);
    EXPECT_EQ(rig_.viewerControl()->calls.back(), "Fullscreen 1");

    SetFile("page.htm");
    EXPECT_EQ(frame_->GetVanteloView()->GetShownControl(), 1);
    EXPECT_FALSE(IsCommandEnabled(kViewFullscreen));
}

TEST_F(PageCommands, PictureDroppedOnAFieldIsChosenForTheSelectedRow) {
    Picture("a.jpg", 10, 10);
    Picture("big.jpg", 100, 100);
    Page("page.htm", kOnePicture);
    SetFile("page.htm");
    List()->setCurrentRow(0);
    Control<QCheckBox>(1078)->click();
    std::vector<PidlPath> items(1);
    PidlPath((folder_ + "big.jpg").c_str()).GetLastItem(items[0]);
    const auto files = CreateFileDataSource(PidlPath(folder_.c_str()), items);
    InfoView* info = frame_->GetInfoView();
    const auto dropOn = [&](QWidget* target) {
        const QPoint point = target->mapTo(info, target->rect().center());
        QDragEnterEvent enter(point, Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(info, &enter);
        QDragMoveEvent move(point, Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(info, &move);
        QDropEvent drop(point, Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(info, &drop);
        EXPECT_EQ(move.isAccepted(), drop.isAccepted());
        return drop.isAccepted();
    };
    EXPECT_FALSE(dropOn(List()));
    EXPECT_TRUE(dropOn(Control(1077)));
    EXPECT_EQ(sheet_->GetPage().images[0].pagePicture, "big.jpg");
    EXPECT_EQ(sheet_->GetPage().images[0].zoomSource, "a.jpg");
    // A new zoom source is previewed at once.
    EXPECT_TRUE(dropOn(Control(1079)));
    EXPECT_EQ(Control<QLineEdit>(1079)->text(), "big.jpg");
    EXPECT_TRUE(rig_.browser()->navigations.back().ends_with(".vtpreview"));
}

// Every src and href of a page that names a local file names one that exists.
void ExpectLocalReferencesResolve(const std::string& page) {
    EXPECT_GT(testing_support::LocalReferences(page).size(), 4u);
    EXPECT_EQ(testing_support::MissingReferences(page), std::vector<std::string>{});
}

TEST_F(PageCommands, PageIsConvertedFromTheFileListToTheSavedFile) {
    Picture("one.jpg", 40, 30);
    Picture("thumb.jpg", 80, 60);
    Picture("big.jpg", 800, 600);
    Picture("two.png", 20, 20);
    Page("other.htm", "<html><body>other</body></html>");
    const std::string original =
        "<html>\n<head><title>Pictures</title></head>\n<body>\n"
        "<img src=\"one.jpg\" width=40 height=30>\n"
        "<a href=\"big.jpg\"><img src=\"thumb.jpg\" width=80 height=60 alt=\"Thumb\"></a>\n"
        "<img src=\"two.png\" width=20 height=20 name=\"second\">\n"
        "<a href=\"other.htm\">other</a>\n</body>\n</html>\n";
    const std::string page = Page("page.htm", original);

    FileView* list = frame_->GetFileView();
    list->SetFolder(PidlPath(folder_.c_str()));
    ASSERT_TRUE(WaitLoaded(*list));
    list->clearSelection();
    list->item(list->FindItem("page.htm"))->setSelected(true);
    list->UpdateSelection();
    ASSERT_TRUE(IsCommandEnabled(kVantelifySetFile));
    ExecuteCommand(kVantelifySetFile);
    rig_.browser()->FinishLoad();
    ASSERT_EQ(List()->count(), 3);
    EXPECT_EQ(List()->item(1)->text(), "Alt=Thumb");
    EXPECT_EQ(List()->item(2)->text(), "second");

    List()->setCurrentRow(1);
    Control<QCheckBox>(1078)->click();
    EXPECT_EQ(Control<QLineEdit>(1079)->text(), "big.jpg");
    Control<QLineEdit>(1080)->setText("800");
    Control<QLineEdit>(1081)->setText("600");
    Control<QPushButton>(1163)->click();
    const std::string preview = rig_.browser()->navigations.back();
    EXPECT_TRUE(preview.ends_with(".vtpreview")) << preview;
    rig_.browser()->FinishLoad();
    ASSERT_EQ(List()->count(), 3);

    const std::string saved = folder_ + "converted.htm";
    rig_.prompts().AnswerPath(saved);
    Control<QPushButton>(kVantelifySave)->click();
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_FALSE(CurrentVantelifier()->IsModified());
    ASSERT_EQ(rig_.prompts().calls().size(), 1u);
    EXPECT_TRUE(rig_.prompts().calls()[0].file.save);
    EXPECT_EQ(rig_.prompts().calls()[0].file.initialPath, "Vantelified.htm");

    const std::string text = ReadFile(saved);
    const auto count = [&text](const std::string& part) {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("<script src='vantelo.js'></script>"), 1);
    EXPECT_EQ(count("new Vantelo("), 1);
    EXPECT_EQ(count("<SCRIPT language=JavaScript>VT0 = new Vantelo('big.jpg',800,600,"
                    "'thumb.jpg',80,60);</script><noscript><img src='thumb.jpg' width=80 "
                    "height=60 alt='Thumb'></noscript>"),
              1);
    EXPECT_EQ(count("<img src=\"one.jpg\" width=40 height=30>"), 1);
    ExpectLocalReferencesResolve(saved);
    EXPECT_EQ(ReadFile(page), original);
    EXPECT_EQ(rig_.prompts().unanswered(), 0);
}

}  // namespace
