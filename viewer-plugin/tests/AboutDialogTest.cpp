#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "platform/window/InputState.h"
#include "platform/window/ShellOpen.h"
#include "testing/QtTestApp.h"
#include "viewer-plugin/about/CAboutDlg.h"
#include "viewer-plugin/services/AboutText.h"

namespace {

template <typename T>
T* Control(const QWidget& dialog, const char* id) {
    return dialog.findChild<T*>(QString::fromLatin1(id));
}

class AboutDialog : public ::testing::Test {
protected:
    void SetUp() override { testing_support::TestApplication(); }
    void TearDown() override { platform::SetAsyncKeyState(platform::VK_SHIFT, false); }

    AboutDialogRequest Request() {
        AboutDialogRequest request;
        request.advancedText = "Url: a.jpg\r\nFps 30\r\n";
        request.modes = {{640, 480}, {800, 600}, {1024, 768}, {320, 240}};
        request.desktop = {1024, 768};
        request.options = &options_;
        request.section = &section_;
        return request;
    }

    ViewerOptions options_;
    platform::CriticalSection section_;
};

TEST_F(AboutDialog, TheAdvancedTabShowsOnlyWithShiftDownAtOpening) {
    for (bool shift : {false, true}) {
        SCOPED_TRACE(shift);
        platform::SetAsyncKeyState(platform::VK_SHIFT, shift);
        CAboutDlg dialog(Request());
        EXPECT_EQ(dialog.windowTitle(), QString("About Vantelo"));
        ASSERT_EQ(dialog.Tabs()->count(), shift ? 3 : 2);
        for (const char* id : {"1", "204", "205"})
            EXPECT_NE(Control<QPushButton>(dialog, id), nullptr);
        EXPECT_EQ(dialog.Tabs()->objectName(), QString("206"));
        // The home page is the studio's own page about the project, as an address to open.
        EXPECT_EQ(
            Control<QPlainTextEdit>(dialog, "203")->toPlainText().toStdString(),
            "Vantelo 1.73\n\nPictures that zoom and pan in the page.\n\n" + HomePage() + "\n");
        if (!shift) continue;
        dialog.Tabs()->setCurrentIndex(2);
        EXPECT_EQ(dialog.Tabs()->tabText(2), QString("Advanced info"));
        EXPECT_EQ(Control<QPlainTextEdit>(dialog, "203")->toPlainText(),
                  QString("Url: a.jpg\nFps 30\n"));
    }
}

TEST_F(AboutDialog, ListsTheFullScreenSizes) {
    struct Case {
        Vector2<int> stored;
        std::vector<std::string> entries;
    };
    const std::vector<Vector2<int>> modes = {{640, 480}, {320, 240},  {800, 600},
                                             {640, 400}, {1024, 768}, {700, 399}};
    for (const Case& c :
         {Case{{640, 480}, {"640x400", "800x600", "640x480 (Recommended)"}},
          Case{{1024, 768}, {"1024x768", "640x400", "800x600", "640x480 (Recommended)"}}}) {
        EXPECT_EQ(DisplayModeEntries(modes, {1024, 768}, c.stored), c.entries);
    }
}

TEST_F(AboutDialog, RadiosAndTheSizeListWriteTheOptionsAtOnce) {
    options_ = ViewerOptions{2, 1, 640, 480};
    CAboutDlg dialog(Request());
    dialog.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(Control<QRadioButton>(dialog, "213")->text(),
              QString("Desktop resolution (1024x768)"));
    EXPECT_TRUE(Control<QRadioButton>(dialog, "209")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(dialog, "213")->isChecked());
    auto* sizes = Control<QComboBox>(dialog, "214");
    ASSERT_NE(sizes, nullptr);
    EXPECT_EQ(sizes->currentText(), QString("640x480 (Recommended)"));

    struct Click {
        const char* id;
        int ViewerOptions::*field;
        int value;
    };
    for (const Click& c :
         {Click{"210", &ViewerOptions::allow, 1}, Click{"211", &ViewerOptions::allow, 0},
          Click{"209", &ViewerOptions::allow, 2}, Click{"216", &ViewerOptions::desktop, 0},
          Click{"213", &ViewerOptions::desktop, 1}}) {
        SCOPED_TRACE(c.id);
        Control<QRadioButton>(dialog, c.id)->click();
        EXPECT_EQ(options_.*c.field, c.value);
    }
    sizes->setCurrentIndex(sizes->findText("800x600"));
    EXPECT_EQ(options_.width, 800);
    EXPECT_EQ(options_.height, 600);
    EXPECT_EQ(options_.desktop, 0);

    std::vector<std::string> opened;
    platform::SetAddressOpener([&](std::string_view address) {
        opened.emplace_back(address);
        return true;
    });
    Control<QPushButton>(dialog, "204")->click();
    Control<QPushButton>(dialog, "205")->click();
    platform::SetAddressOpener({});
    // No placeholder anywhere: the home page is a page of ours that is there, and there is
    // no feedback address, so that button is not offered.
    const std::string home = HomePage();
    ASSERT_EQ(home.rfind("file:///", 0), 0u) << home;
    EXPECT_TRUE(std::filesystem::is_regular_file(home.substr(7)));
    EXPECT_EQ(home.find("example"), std::string::npos);
    EXPECT_TRUE(Control<QPushButton>(dialog, "204")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(dialog, "205")->isEnabled());
    EXPECT_EQ(opened, (std::vector<std::string>{home}));
}

}  // namespace
