// A gallery made through the studio's own windows: pictures chosen in the file list,
// ordered, configured and exported.
#include <filesystem>
#include <string>
#include <vector>

#include <QPushButton>
#include <QTest>

#include <gumbo.h>

#include "platform/text/Text.h"
#include "studio/projects/tests/PageLinks.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/gallery/GalleryLists.h"
#include "studio/shell/gallery/tests/GalleryStudio.h"
#include "testing/ScriptedMenuChooser.h"
#include "testing/TempDir.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// The local links of every page of the folder that name no file of it.
Names BrokenLinks(const std::string& folder) {
    Names broken;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".htm")) continue;
        const std::string text = testing_support::ReadFile(entry.path().string());
        GumboOutput* output =
            gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
        EXPECT_NE(output, nullptr) << file;
        if (output == nullptr) continue;
        std::vector<std::string> urls;
        gallery_testing::CollectLinks(output->root, urls);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
        for (std::string url : urls) {
            if (url.empty() || url[0] == '#' || url.find(':') != std::string::npos) continue;
            url = url.substr(0, url.find_first_of("?#"));
            if (!fs::is_regular_file(folder + url)) broken.push_back(file + ": " + url);
        }
    }
    return broken;
}

using GalleryEndToEnd = GalleryStudio;

TEST_F(GalleryEndToEnd, PicturesChosenOrderedConfiguredAndExported) {
    Names files;
    for (int n = 1; n <= 12; ++n) files.push_back(platform::FormatC("photo%02d.jpg", n));
    Pictures(files);

    FileView& fileList = *frame_->GetFileView();
    fileList.SetFolder(PidlPath(folder_));
    ASSERT_TRUE(WaitLoaded(fileList));
    fileList.setFocus();
    fileList.selectAll();
    QTest::keyClick(&fileList, Qt::Key_G, Qt::ControlModifier);
    ASSERT_NE(CurrentGallery(), nullptr);
    ASSERT_EQ(Rows(), files);
    // The viewer pane previews the first generated page.
    ASSERT_FALSE(rig_.browser()->navigations.empty());
    EXPECT_EQ(rig_.browser()->navigations.back(), CurrentGallery()->GetPageFile(0));
    EXPECT_TRUE(IsCommandEnabled(kGalleryHome));

    // Photo 6 up one place, then photo 1 removed, through the picture list's menu.
    testing_support::ScriptedMenuChooser menu;
    auto* pictures = static_cast<WorkImages*>(List());
    sheet_->SelectImage(5);
    menu.Choose(32799);
    pictures->ShowMenu(QPoint(10, 10));
    sheet_->SelectImage(0);
    menu.Choose(32798);
    pictures->ShowMenu(QPoint(10, 10));
    Names expected = files;
    std::swap(expected[4], expected[5]);
    expected.erase(expected.begin());
    EXPECT_EQ(GalleryNames(), expected);
    EXPECT_EQ(Rows(), expected);

    // The first variable of the template (picture names shown or not) set to its other value.
    bool configured = false;
    testing_support::DriveNextDialog([&](testing_support::DialogDriver& options) {
        testing_support::DriveNextDialog([&](testing_support::DialogDriver& editor) {
            editor.SetText(1217, "Hidden");
            editor.Press(1);
            configured = true;
        });
        options.Press(1051);
        options.Press(1);
    });
    sheet_->findChild<QPushButton*>("1181")->click();
    ASSERT_TRUE(configured);
    EXPECT_EQ(CurrentGallery()->GetVariableText("captions"), "Hidden");
    EXPECT_TRUE(sheet_->GetVariablesChanged());

    const std::string site = rig_.temp().Path("site");
    fs::create_directories(site);
    const std::string title = CurrentGallery()->GetTitle();
    for (const std::string& made : {title, title + "_1"}) {
        SCOPED_TRACE(made);
        const std::size_t before = rig_.prompts().calls().size();
        rig_.prompts().AnswerPath(site);
        sheet_->findChild<QPushButton*>(QString::number(kGallerySave))->click();
        ASSERT_EQ(rig_.prompts().calls().size(), before + 2) << "the folder, then the report";
        EXPECT_NE(rig_.prompts().calls().back().text.find(site + "/" + made), std::string::npos)
            << rig_.prompts().calls().back().text;
        const std::string folder = site + "/" + made + "/";
        ASSERT_TRUE(fs::is_regular_file(folder + "index1.htm"));
        EXPECT_EQ(BrokenLinks(folder), Names{});
        // A second export needs a change to offer it.
        CurrentGallery()->SetModified(true);
        sheet_->UpdateControls();
    }
}

}  // namespace
