#include <filesystem>
#include <memory>
#include <string>

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

#include "studio/core/PidlPath.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/vantelify/InfoVantelifySheet.h"
#include "studio/shell/vantelify/PageThumbnails.h"
#include "studio/shell/vantelify/VantelifyCommands.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/FakeViewerPane.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using testing_support::FakeBrowser;
using testing_support::FakeViewerControl;
using testing_support::ScriptedPrompts;
using testing_support::TempDir;

std::string Picture(const TempDir& dir, const std::string& name, int width, int height,
                    QColor colour = Qt::red) {
    const std::string path = dir.Path(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WritePicture(path, colour, width, height);
    return path;
}

class NoScript final : public PageScriptWriter {
public:
    bool WriteVanteloScript(const std::string&) override { return true; }
};

// The sheet beside a viewer pane with a fake browser, the page commands registered, and a
// page project opened directly; the info pane is not there.
class PageSheet : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        ViewerPaneControls controls;
        controls.makeViewer = [](QWidget* parent) {
            return std::make_unique<FakeViewerControl>(parent);
        };
        controls.makeBrowser = [this](QWidget* parent) {
            auto browser = std::make_unique<FakeBrowser>(parent);
            browser_ = browser.get();
            return browser;
        };
        viewer_ = std::make_unique<VanteloView>(controls);
        viewer_->SetShownControl(1);
        sheet_ = std::make_unique<InfoVantelifySheet>();
        sheet_->SetViewerView(viewer_.get());
        viewer_->SetPageLoadedHandler([this] { sheet_->ScanPage(); });
        factory_.SetViews(nullptr, nullptr, nullptr, nullptr, viewer_.get(), nullptr);
        factory_.SetSheets(nullptr, nullptr, nullptr, sheet_.get());
        RegisterVantelifyCommands(factory_);
        previous_ = SetCommandFactory(&factory_);
    }
    void TearDown() override {
        SetCurrentVantelifier(nullptr);
        SetCommandFactory(previous_);
    }

    // Opens the page and lets the browser finish loading it.
    void Open(const std::string& page) {
        SetCurrentVantelifier(
            std::make_unique<Vantelifier>(*viewer_, scripts_, PidlPath(page.c_str())));
        sheet_->BeginLoad();
        sheet_->ShowPreview();
        browser_->FinishLoad();
    }

    QListWidget* List() const { return sheet_->findChild<QListWidget*>("1075"); }
    QCheckBox* Check() const { return sheet_->findChild<QCheckBox*>("1078"); }
    QLineEdit* Field(int id) const { return sheet_->findChild<QLineEdit*>(QString::number(id)); }
    int MessagesWith(const std::string& start) const {
        int count = 0;
        for (const auto& call : prompts_.calls()) count += call.text.rfind(start, 0) == 0 ? 1 : 0;
        return count;
    }

    TempDir dir_;
    ScriptedPrompts prompts_;
    NoScript scripts_;
    FakeBrowser* browser_ = nullptr;
    std::unique_ptr<VanteloView> viewer_;
    std::unique_ptr<InfoVantelifySheet> sheet_;
    CommandFactory factory_;
    CommandFactory* previous_ = nullptr;
};

constexpr int kSixFields[] = {1081, 1079, 1077, 1080, 1065, 1059};

TEST_F(PageSheet, SelectionShowsTheFieldsOfAZoomableRowAndStoresThemWhenLeft) {
    Picture(dir_, "a.jpg", 60, 40);
    Picture(dir_, "b.png", 30, 30);
    const std::string page =
        dir_.Write("page.htm",
                   "<html><head></head><body><img src=\"a.jpg\" width=60 height=40>"
                   "<img src='b.png'></body></html>");
    Open(page);
    ASSERT_EQ(List()->count(), 2);
    EXPECT_TRUE(Check()->isHidden());

    List()->setCurrentRow(0);
    EXPECT_FALSE(Check()->isHidden());
    EXPECT_FALSE(Check()->isChecked());
    for (int id : kSixFields) EXPECT_TRUE(Field(id)->isHidden()) << id;

    Check()->click();
    for (int id : kSixFields) EXPECT_FALSE(Field(id)->isHidden()) << id;
    EXPECT_EQ(Field(1079)->text(), "a.jpg");
    EXPECT_EQ(Field(1080)->text(), "60");
    EXPECT_EQ(Field(1081)->text(), "40");
    EXPECT_EQ(Field(1077)->text(), "a.jpg");
    EXPECT_TRUE(sheet_->GetPage().images[0].zoomable);

    Field(1080)->setText("600");
    Field(1079)->setText("big.jpg");
    List()->setCurrentRow(1);
    const PageImage& first = sheet_->GetPage().images[0];
    EXPECT_EQ(first.zoomWidth, 600);
    EXPECT_EQ(first.zoomSource, "big.jpg");
    EXPECT_TRUE(CurrentVantelifier()->IsModified());
    // The second row is not zoomable: its fields hide, and hold its own values for Preview.
    for (int id : kSixFields) EXPECT_TRUE(Field(id)->isHidden()) << id;
    EXPECT_EQ(Field(1079)->text(), "b.png");

    // Moving away from a row that is not zoomable takes nothing into it.
    Field(1079)->setText("elsewhere.jpg");
    List()->setCurrentRow(0);
    EXPECT_EQ(sheet_->GetPage().images[1].zoomSource, "b.png");
    EXPECT_EQ(Field(1079)->text(), "big.jpg");
    EXPECT_EQ(prompts_.unanswered(), 0);
}

TEST_F(PageSheet, PageNamedWithCapitalsAndBlanksIsReadByItsOwnName) {
    browser_->reportsFileUrls = true;
    Picture(dir_, "My Pages/Sub Dir/Big Picture.PNG", 20, 10);
    const std::string page = dir_.Write("My Pages/Sub Dir/Index Page.htm",
                                        "<html><head></head><body>"
                                        "<img src=\"Big Picture.PNG\" alt=\"Big\"></body></html>");
    Open(page);
    EXPECT_NE(browser_->GetLocationURL().find("Index%20Page.htm"), std::string::npos);
    ASSERT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->item(0)->text(), "Alt=Big");
    EXPECT_EQ(sheet_->GetPage().images[0].pictureWidth, 20);
    EXPECT_TRUE(prompts_.calls().empty());
}

TEST_F(PageSheet, UnusablePagesAreReportedOnceAndClosed) {
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"none.htm", "<html><head></head><body><img src='a.gif'></body></html>",
         "Web page does not contain any images of recognized types"},
        {"frames.htm", "<html><head></head><frameset><frame src='a.htm'></frameset></html>",
         "No body found in page\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string page = dir_.Write(test.name, test.text);
        Open(page);
        EXPECT_EQ(CurrentVantelifier(), nullptr);
        EXPECT_EQ(MessagesWith(test.message), 1);
        // The same page again: no second message.
        Open(page);
        EXPECT_EQ(MessagesWith(test.message), 1);
        SetCurrentVantelifier(nullptr);
    }
}

TEST_F(PageSheet, ForeignViewerOnThePageAsksAndYesCloses) {
    Picture(dir_, "a.jpg", 8, 8);
    const auto foreign = [this](const char* name) {
        return dir_.Write(
            name,
            "<html><head></head><body><img src='a.jpg'>"
            "<script>v = new Vantelo('a.jpg',8,8,'a.jpg',8,8);</script></body></html>");
    };
    prompts_.Answer(platform::PromptAnswer::No);
    Open(foreign("foreign.htm"));
    ASSERT_NE(CurrentVantelifier(), nullptr);
    ASSERT_EQ(prompts_.calls().size(), 1u);
    EXPECT_EQ(prompts_.calls()[0].caption, "Vantelify");
    EXPECT_EQ(prompts_.calls()[0].buttons, platform::MessageButtons::YesNo);

    prompts_.Answer(platform::PromptAnswer::Yes);
    Open(foreign("other.htm"));
    EXPECT_EQ(CurrentVantelifier(), nullptr);
}

TEST(PageThumbnails, ThreeVariantsOrBlankOnes) {
    testing_support::TestApplication();
    TempDir dir;
    const std::string file = Picture(dir, "red.png", 64, 64, QColor(200, 0, 0));
    const PageThumbnails made = MakePageThumbnails(file);
    ASSERT_EQ(made.plain.size(), QSize(kPageThumbSize, kPageThumbSize));
    EXPECT_EQ(QColor(made.plain.pixel(10, 40)), QColor(200, 0, 0));
    const QColor grey(made.grey.pixel(10, 40));
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());
    // The mark sits in the top right corner; the rest is the plain picture.
    const QImage mark = ZoomableMark();
    EXPECT_EQ(made.marked.copy(kPageThumbSize - mark.width(), 0, mark.width(), mark.height()),
              mark.convertToFormat(made.marked.format()));
    EXPECT_EQ(made.marked.pixel(10, 40), made.plain.pixel(10, 40));

    const PageThumbnails blank = MakePageThumbnails(dir.Path("missing.jpg"));
    EXPECT_EQ(blank.plain.size(), QSize(kPageThumbSize, kPageThumbSize));
    EXPECT_EQ(QColor(blank.plain.pixel(30, 30)), QColor(Qt::white));
}

}  // namespace
