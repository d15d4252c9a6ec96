#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QBuffer>
#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include "studio/core/FileSelection.h"
#include "studio/core/Properties.h"
#include "studio/projects/Animation.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/panes/InfoImageSheet.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/CommaLocale.h"
#include "testing/QtTestApp.h"
#include "testing/StudioTestRig.h"

namespace {

using testing_support::FakeBrowser;
using testing_support::FakeViewerControl;
using Calls = std::vector<std::string>;

// A gallery with listed images and no working folder of its own.
class ListedGallery final : public Gallery {
public:
    explicit ListedGallery(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            GalleryImage& image = images.emplace_back();
            image.fileName = name;
            image.width = 40;
            image.height = 30;
            image.fileSize = 1200;
            image.imageBytes = 3600;
        }
    }
};

class NoNavigator final : public PageNavigator {
public:
    bool Navigate(const std::string&) override { return true; }
};
class NoScript final : public PageScriptWriter {
public:
    bool WriteVanteloScript(const std::string&) override { return true; }
};

// Records the ids of the commands the sheet runs.
std::vector<int>* theRuns = nullptr;
class RecordingCommand final : public Command {
public:
    explicit RecordingCommand(int id) : Command(id) {}
    void Execute() override { theRuns->push_back(GetId()); }
    bool IsEnabled() override { return true; }
};

// A picture file's bytes: a PNG of one colour.
std::string PictureBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

using testing_support::ServeEventsUntil;

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class InfoViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        theRuns = &runs;
        ASSERT_TRUE(rig.Start());
        ASSERT_NE(rig.frame(), nullptr);
        info = rig.frame()->GetInfoView();
        sheet = info->GetImageSheet();
        browser = rig.browser();
        viewer = rig.viewerControl();
        ASSERT_NE(sheet, nullptr);
        browser->FinishLoad();
        browser->navigations.clear();
        viewer->calls.clear();
        for (int id : {kGalleryAddFiles, kAnimationLoadImage, kVantelifySetFile, kFileOpen}) {
            GetCommandFactory()->Register(
                id, [id](const CommandContext&) { return std::make_unique<RecordingCommand>(id); });
        }
    }
    void TearDown() override {
        CloseOpenProjects();
        rig.Stop();
        theRuns = nullptr;
    }

    QPushButton* Button(int id) const {
        return sheet->findChild<QPushButton*>(QString::number(id));
    }
    std::string Text(int id) const {
        return sheet->findChild<QLabel*>(QString::number(id))->text().toStdString();
    }
    bool Shown(int id) const {
        return !sheet->findChild<QWidget*>(QString::number(id))->isHidden();
    }
    QPoint TabCentre(int index) const {
        QTabBar* tabs = info->GetTabBar();
        return tabs->mapTo(info, tabs->tabRect(index).center());
    }
    QPoint PathCentre() const {
        auto* field = sheet->findChild<QLineEdit*>(QString::number(InfoImageSheet::kPath));
        return field->mapTo(info, field->rect().center());
    }
    // A drag moving over the pane: whether the pane would take a drop there.
    bool DragMove(const QMimeData& mime, const QPoint& point) {
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(info, &enter);
        if (!enter.isAccepted()) return false;
        QDragMoveEvent move(point, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(info, &move);
        return move.isAccepted();
    }
    bool DropAt(const QMimeData& mime, const QPoint& point) {
        QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(info, &drop);
        return drop.isAccepted();
    }

    std::vector<int> runs;
    testing_support::StudioTestRig rig;
    InfoView* info = nullptr;
    InfoImageSheet* sheet = nullptr;
    FakeBrowser* browser = nullptr;
    FakeViewerControl* viewer = nullptr;
    NoNavigator navigator;
    NoScript script;
};

TEST_F(InfoViewTest, StartShowsTheInfoTabWithTheBanner) {
    QTabBar* tabs = info->GetTabBar();
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Info");
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetImage);
    EXPECT_EQ(GetCommandFactory()->GetContext().imageSheet, sheet);

    const std::string banner = rig.dataFolder() + "AppData/Banners/banner.png";
    EXPECT_EQ(rig.bannerBrowser()->navigations, Calls{banner});
    EXPECT_TRUE(std::filesystem::is_regular_file(banner));

    // The sheet fills the tab's panel, below the tabs, whatever the pane's size.
    info->resize(300, 420);
    const QRect placed = sheet->geometry();
    EXPECT_GE(placed.top(), tabs->geometry().bottom());
    EXPECT_TRUE(info->rect().contains(placed));
    EXPECT_GT(placed.width(), 280);

    // Ctrl+Break stops the page of the viewer pane.
    EXPECT_TRUE(info->OnCommand(kStopPage));
    EXPECT_EQ(browser->stops, 1);
}

TEST_F(InfoViewTest, GalleryImagesStepWithinTheGalleryAndShowTheirPseudoName) {
    auto owned =
        std::make_unique<ListedGallery>(std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"});
    const std::string folder = owned->GetWorkingFolder();
    SetCurrentGallery(std::move(owned));

    info->ShowGalleryImage(0);
    EXPECT_TRUE(info->IsGalleryImageShown());
    EXPECT_EQ(info->GetShownFileName(), "Gallery://a.jpg");
    EXPECT_EQ(info->GetShownFilePath(), folder + "a.jpg");
    EXPECT_EQ(viewer->calls.back(), "Filename " + folder + "a.jpg");
    EXPECT_EQ(Text(InfoImageSheet::kDimension), "40x30 pixels");
    EXPECT_FALSE(Shown(InfoImageSheet::kAction));
    EXPECT_TRUE(Shown(InfoImageSheet::kPrevious));
    EXPECT_FALSE(Button(InfoImageSheet::kPrevious)->isEnabled());
    EXPECT_TRUE(Button(InfoImageSheet::kNext)->isEnabled());

    const std::size_t calls = viewer->calls.size();
    info->ShowPreviousGalleryImage();
    EXPECT_EQ(info->GetGalleryIndex(), 0);
    EXPECT_EQ(viewer->calls.size(), calls);

    // Ctrl+Right reaches the pane through the frame, and ">" steps too.
    EXPECT_TRUE(rig.frame()->GetRouter().Route(kNextGalleryImage));
    Button(InfoImageSheet::kNext)->click();
    EXPECT_EQ(info->GetShownFileName(), "Gallery://c.jpg");
    EXPECT_TRUE(Button(InfoImageSheet::kPrevious)->isEnabled());
    EXPECT_FALSE(Button(InfoImageSheet::kNext)->isEnabled());

    info->ShowNextGalleryImage();
    info->ShowGalleryImage(3);
    EXPECT_EQ(info->GetGalleryIndex(), 2);
    EXPECT_EQ(viewer->calls.back(), "Filename " + folder + "c.jpg");

    CloseOpenProjects();
    info->ShowNextGalleryImage();
    info->ShowPreviousGalleryImage();
    EXPECT_EQ(info->GetShownFileName(), "Gallery://c.jpg");
}

TEST_F(InfoViewTest, AFileAfterAPageWaitsForTheBlankPageBeforeTheViewerComesBack) {
    VanteloView* pane = rig.frame()->GetVanteloView();
    const std::string page = rig.temp().Write("page.htm", "<html></html>");
    info->ShowPage(page, page);
    EXPECT_EQ(browser->navigations, Calls{page});
    EXPECT_EQ(pane->GetShownControl(), 1);
    EXPECT_EQ(Text(InfoImageSheet::kFileSize), "13 bytes");
    EXPECT_EQ(info->GetTexts().compression, "100.00%");
    EXPECT_FALSE(Shown(InfoImageSheet::kDimension));
    EXPECT_FALSE(Shown(InfoImageSheet::kPicture));

    browser->FinishLoad();
    EXPECT_EQ(pane->GetShownControl(), 1);
    browser->navigations.clear();

    GalleryImage record;
    record.width = 8;
    record.height = 6;
    const std::string picture = rig.temp().Write("picture.jpg", "x");
    info->ShowFile(picture, &record);
    EXPECT_EQ(browser->navigations, Calls{"about:blank"});
    EXPECT_TRUE(info->GetPageName().empty());
    EXPECT_EQ(pane->GetShownControl(), 1);
    EXPECT_TRUE(Shown(InfoImageSheet::kDimension));

    viewer->calls.clear();
    browser->FinishLoad();
    EXPECT_EQ(pane->GetShownControl(), 0);
    EXPECT_EQ(viewer->calls.back(), "Filename " + picture);
}

TEST_F(InfoViewTest, DragsSwitchTabsAndAreNeverDroppedOnATab) {
    SetCurrentGallery(std::make_unique<Gallery>());
    info->ShowGalleryTab();
    QTabBar* tabs = info->GetTabBar();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), "Gallery");
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetGallery);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetImage);

    QMimeData files;
    files.setData(kFileListMimeType, QByteArray("x"));
    QMimeData text;
    text.setText("a.jpg");

    EXPECT_FALSE(DragMove(text, TabCentre(1)));
    EXPECT_EQ(tabs->currentIndex(), 0);

    EXPECT_FALSE(DragMove(files, TabCentre(1)));
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetGallery);
    EXPECT_FALSE(DropAt(files, TabCentre(1)));
    EXPECT_FALSE(DragMove(files, TabCentre(0)));
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetImage);
    EXPECT_FALSE(DropAt(files, TabCentre(0)));

    info->CloseGallery();
    EXPECT_EQ(CurrentGallery(), nullptr);
    EXPECT_EQ(tabs->count(), 1);
    // New preferences bring back the tab of an open project only.
    info->RefreshAfterPreferences();
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_EQ(info->GetShownSheet(), InfoView::kSheetImage);
    EXPECT_TRUE(runs.empty());
}

TEST_F(InfoViewTest, AFileListDroppedOnThePathBecomesTheSelectionAndOpens) {
    const std::string folder = rig.temp().Path("shots");
    std::vector<PidlPath> items(2);
    PidlPath(rig.temp().Write("shots/a.jpg", "x")).GetLastItem(items[0]);
    PidlPath(rig.temp().Write("shots/b.jpg", "x")).GetLastItem(items[1]);
    const std::unique_ptr<QMimeData> files = CreateFileDataSource(PidlPath(folder), items);
    ASSERT_NE(files, nullptr);

    // Elsewhere on the sheet the drop is refused.
    const QPoint outside = sheet->mapTo(info, QPoint(2, sheet->height() - 2));
    EXPECT_FALSE(DragMove(*files, outside));
    EXPECT_FALSE(DropAt(*files, outside));
    EXPECT_TRUE(runs.empty());

    EXPECT_TRUE(DragMove(*files, PathCentre()));
    EXPECT_TRUE(DropAt(*files, PathCentre()));
    EXPECT_EQ(runs, std::vector<int>{kFileOpen});
    const FileSelection& selection = rig.frame()->GetSelection();
    EXPECT_EQ(selection.GetFolder(), PidlPath(folder));
    EXPECT_EQ(selection.GetItems(), items);
}

TEST_F(InfoViewTest, TheActionButtonFitsTheFileAndTheOpenProject) {
    enum class Project { None, Gallery, Animation, Page };
    const std::string picture = rig.temp().Write("work/pic.jpg", "x");
    const std::string page = rig.temp().Write("work/page.htm", "<html></html>");
    struct Case {
        Project project;
        const std::string& file;
        const char* action;  // null: no action button
        int command;
        bool fullscreen;
    };
    const Case cases[] = {
        {Project::Gallery, picture, "Add to gallery", kGalleryAddFiles, true},
        {Project::Gallery, page, nullptr, 0, false},
        {Project::None, picture, "Animate", kAnimationLoadImage, true},
        {Project::Animation, picture, "Animate", kAnimationLoadImage, true},
        {Project::None, page, "Vantelify", kVantelifySetFile, false},
        {Project::Page, page, nullptr, 0, false},
        {Project::Page, picture, nullptr, 0, true},
    };
    for (const Case& c : cases) {
        CloseOpenProjects();
        if (c.project == Project::Gallery) SetCurrentGallery(std::make_unique<Gallery>());
        if (c.project == Project::Animation) SetCurrentAnimation(std::make_unique<Animation>());
        if (c.project == Project::Page) {
            SetCurrentVantelifier(std::make_unique<Vantelifier>(navigator, script, PidlPath()));
        }
        info->SetGalleryImageShown(false);
        GalleryImage record;
        if (&c.file == &picture) {
            info->ShowFile(c.file, &record);
        } else {
            info->ShowPage(c.file, c.file);
        }
        const std::string what = c.file + " with project " + std::to_string(int(c.project));
        EXPECT_EQ(Shown(InfoImageSheet::kFullscreen), c.fullscreen) << what;
        EXPECT_FALSE(Shown(InfoImageSheet::kPrevious)) << what;
        QPushButton* action = Button(InfoImageSheet::kAction);
        if (c.action == nullptr) {
            EXPECT_TRUE(action->isHidden()) << what;
            EXPECT_FALSE(action->isEnabled()) << what;
            continue;
        }
        ASSERT_FALSE(action->isHidden()) << what;
        EXPECT_EQ(action->text().toStdString(), c.action) << what;
        runs.clear();
        rig.frame()->GetSelection().Clear();
        action->click();
        EXPECT_EQ(runs, std::vector<int>{c.command}) << what;
        const FileSelection& selection = rig.frame()->GetSelection();
        EXPECT_EQ(selection.GetFolder(), PidlPath(rig.temp().Path("work") + "/")) << what;
        EXPECT_EQ(selection.GetItemCount(), 1) << what;
    }
}

TEST_F(InfoViewTest, TheShownFileChangedByAnotherProgramShowsItsNewFacts) {
    const std::string first = PictureBytes(40, 30);
    const std::string picture = rig.temp().Write("pictures/shown.png", first);
    const std::string neighbour = rig.temp().Write("pictures/other.png", first);
    // The facts the file list knew when the picture was opened.
    GalleryImage record;
    record.width = 40;
    record.height = 30;
    record.fileSize = static_cast<std::int64_t>(first.size());
    record.imageBytes = 3600;
    info->ShowFile(picture, &record);
    EXPECT_EQ(Text(InfoImageSheet::kFileSize), std::to_string(first.size()) + " bytes");

    // Written over in place.
    const std::string larger = PictureBytes(90, 70);
    ASSERT_NE(larger.size(), first.size());
    {
        std::ofstream out(picture, std::ios::binary | std::ios::trunc);
        out << larger;
    }
    EXPECT_TRUE(ServeEventsUntil([&] {
        return Text(InfoImageSheet::kFileSize) == std::to_string(larger.size()) + " bytes";
    })) << "the new size of the file written over";
    EXPECT_EQ(Text(InfoImageSheet::kDimension), "90x70 pixels");
    EXPECT_EQ(Text(InfoImageSheet::kMemory), "18900 bytes");

    // A new file put in its place, as a safe writer does, shows; so does the file going away.
    const std::string smaller = PictureBytes(20, 10);
    rig.temp().Write("pictures/shown.png.new", smaller);
    std::filesystem::rename(picture + ".new", picture);
    EXPECT_TRUE(ServeEventsUntil([&] {
        return Text(InfoImageSheet::kFileSize) == std::to_string(smaller.size()) + " bytes";
    })) << "the size of the file put in place of the shown one";
    EXPECT_EQ(Text(InfoImageSheet::kDimension), "20x10 pixels");
    std::filesystem::remove(picture);
    EXPECT_TRUE(ServeEventsUntil([&] { return Text(InfoImageSheet::kFileSize) == "Unknown"; }))
        << "the facts of a file that is gone";
    EXPECT_EQ(info->GetShownFilePath(), picture);

    // Another file shown: the pane follows that one only.
    info->ShowFile(neighbour, &record);
    rig.temp().Write("pictures/shown.png", larger);
    rig.temp().Write("pictures/other.png", smaller);
    EXPECT_TRUE(ServeEventsUntil([&] {
        return Text(InfoImageSheet::kFileSize) == std::to_string(smaller.size()) + " bytes";
    })) << "the new size of the file shown now";
    EXPECT_EQ(Text(InfoImageSheet::kDimension), "20x10 pixels");
}

TEST_F(InfoViewTest, ViewerPositionsShowAsZoomAndCorner) {
    CommaLocale comma;
    viewer->FireChangedPos(12.4f, 34.6f, 1.5f);
    EXPECT_EQ(Text(InfoImageSheet::kCurrentScale), "150 %");
    EXPECT_EQ(Text(InfoImageSheet::kUpperLeftPixel), "[12, 35]");
    viewer->FireChangedPos(-44.2f, -0.3f, 0.84f);
    EXPECT_EQ(Text(InfoImageSheet::kUpperLeftPixel), "[-44, 0]");
}

TEST_F(InfoViewTest, ThePageScriptCarriesThePreferencesAndReportsFailures) {
    Properties& properties = Properties::Instance();
    const float oldZoom = properties.GetMinZoom();
    properties.SetMinZoom(0.25f);
    {
        CommaLocale comma;
        const std::string out = rig.temp().Path("site") + "/";
        std::filesystem::create_directories(out);
        ASSERT_TRUE(info->WriteVanteloScript(out));
        const std::string written = ReadWhole(out + "vantelo.js");
        EXPECT_NE(written.find("parseFloat(\"0.250000\")"), std::string::npos);
        EXPECT_EQ(written.find("{{"), std::string::npos);
    }
    properties.SetMinZoom(oldZoom);

    // A folder that cannot hold files: the writer says so.
    const std::string file = rig.temp().Write("plain.txt", "x");
    EXPECT_FALSE(info->WriteVanteloScript(file + "/"));
    ASSERT_FALSE(rig.prompts().calls().empty());
    EXPECT_EQ(rig.prompts().calls().back().text, "Failed to write generated file");

    std::filesystem::remove(rig.dataFolder() + "AppData/vantelo.js");
    EXPECT_FALSE(info->WriteVanteloScript(rig.temp().Path("site") + "/"));
}

}  // namespace
