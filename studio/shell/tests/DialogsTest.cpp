#include <cstdlib>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/DibImage.h"
#include "studio/shell/RenameDlg.h"
#include "studio/shell/SplashDlg.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override { testing_support::TestApplication(); }
    void TearDown() override { CloseBusyDialog(); }
};

QString Text(QWidget* dialog, const char* id) {
    auto* label = dialog->findChild<QLabel*>(id);
    return label != nullptr ? label->text() : QString("<missing %1>").arg(id);
}

TEST_F(Dialogs, TheBusyCaptionCyclesItsDots) {
    BusyDialog* busy = GetBusyDialog();
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(busy->isVisible());
    EXPECT_FALSE(busy->isModal());
    EXPECT_EQ(busy->windowTitle(), "Please wait...");
    EXPECT_EQ(Text(busy, "1170"), "Working");
    EXPECT_EQ(Text(busy, "1172"), "");

    busy->Step(1, "Generating thumbnails...", "/pics/a.jpg");
    EXPECT_EQ(busy->windowTitle(), "Please wait..");
    busy->Step(2, nullptr, "/pics/b.jpg");
    EXPECT_EQ(busy->windowTitle(), "Please wait...");
    busy->Step(3, nullptr, nullptr);
    EXPECT_EQ(busy->windowTitle(), "Please wait.");
    busy->Step(4, nullptr, nullptr);
    EXPECT_EQ(busy->windowTitle(), "Please wait..");
    EXPECT_EQ(Text(busy, "1170"), "Generating thumbnails...");
    EXPECT_EQ(Text(busy, "1172"), "/pics/b.jpg");
    auto* bar = busy->findChild<QProgressBar*>("1169");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 4);

    busy->SetRange(0, 25);
    busy->StepIt();
    EXPECT_EQ(bar->value(), 14);
    busy->StepIt();
    EXPECT_EQ(bar->value(), 24);
    busy->StepIt();
    EXPECT_EQ(bar->value(), 0);
    busy->Step(99, nullptr, nullptr);
    EXPECT_EQ(bar->value(), 25);
    busy->SetTexts("Regenerating thumbs...", "x.jpg");
    EXPECT_EQ(Text(busy, "1170"), "Regenerating thumbs...");
    EXPECT_EQ(Text(busy, "1172"), "x.jpg");
}

TEST_F(Dialogs, ClosingTheBusyDialogTwiceIsHarmlessAndAFreshOneFollows) {
    CloseBusyDialog();
    BusyDialog* first = GetBusyDialog();
    EXPECT_EQ(GetBusyDialog(), first);
    first->Step(0, "changed", nullptr);
    CloseBusyDialog();
    CloseBusyDialog();
    BusyDialog* second = GetBusyDialog();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Text(second, "1170"), "Working");

    // Reached from code without windows once installed; gone with its parent.
    EXPECT_EQ(GetProgress(), nullptr);
    UseBusyDialogForProgress();
    EXPECT_EQ(GetProgress(), static_cast<Progress*>(second));
    SetProgressSource(nullptr);
    CloseBusyDialog();
    auto parent = std::make_unique<QWidget>();
    SetBusyDialogParent(parent.get());
    EXPECT_EQ(GetBusyDialog()->parentWidget(), parent.get());
    parent.reset();
    SetBusyDialogParent(nullptr);
    BusyDialog* third = GetBusyDialog();
    EXPECT_EQ(third->parentWidget(), nullptr);
}

TEST_F(Dialogs, EachRenameButtonSetsItsFlags) {
    struct Case {
        const char* button;
        bool accepted, autoRename, autoRenameAll, overwrite, overwriteAll;
    };
    const Case cases[] = {
        {"1", true, false, false, false, false},  {"1012", true, true, false, false, false},
        {"1013", true, true, true, false, false}, {"1164", true, false, false, true, false},
        {"1194", true, false, false, true, true}, {"2", false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        RenameDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), "Rename file");
        EXPECT_EQ(Text(&dialog, "1016"), "Before");
        dialog.SetNames("photo.jpg", "photo_1.jpg");
        dialog.open();
        EXPECT_EQ(Text(&dialog, "1016"), "photo.jpg");
        auto* edit = dialog.findChild<QLineEdit*>("1011");
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "photo_1.jpg");
        edit->setText("edited.jpg");
        auto* button = dialog.findChild<QPushButton*>(c.button);
        ASSERT_NE(button, nullptr);
        button->click();
        EXPECT_EQ(dialog.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.AutoRename(), c.autoRename);
        EXPECT_EQ(dialog.AutoRenameAll(), c.autoRenameAll);
        EXPECT_EQ(dialog.Overwrite(), c.overwrite);
        EXPECT_EQ(dialog.OverwriteAll(), c.overwriteAll);
        EXPECT_EQ(dialog.GetNewName(), std::string(c.button) == "1" ? "edited.jpg" : "photo_1.jpg");
    }
    RenameDlg dialog;
    const QStringList texts = {"Ok",        "Cancel",       "Auto rename", "AutoRename All",
                               "Overwrite", "Overwrite All"};
    for (const QString& text : texts) {
        const auto buttons = dialog.findChildren<QPushButton*>();
        EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), [&](QPushButton* b) {
            return b->text() == text;
        })) << text.toStdString();
    }
}

TEST_F(Dialogs, AMissingSplashPictureShowsNoWindow) {
    testing_support::TempDir data;
    SplashDlg splash(data.path());
    EXPECT_FALSE(splash.HasPicture());
    EXPECT_FALSE(splash.isVisible());
    dynamic_cast<QWidget&>(splash).repaint();  // paints nothing, and does not fail

    data.Write("AppData/Splash.jpg", "not a picture");
    SplashDlg broken(data.path() + "/");
    EXPECT_FALSE(broken.isVisible());
}

TEST_F(Dialogs, ASplashPictureShowsAtItsSizeInTheMiddleOfTheScreen) {
    testing_support::TempDir data;
    constexpr int kWidth = 40;
    constexpr int kHeight = 30;
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = 0x20;      // blue
        pixels[i + 1] = 0x40;  // green
        pixels[i + 2] = 0xE0;  // red
    }
    PictureInfo info;
    info.pixels = pixels.data();
    info.width = kWidth;
    info.height = kHeight;
    info.bitsPerPixel = 24;
    info.rowBytes = kWidth * 3;
    data.Write("AppData/keep", "");
    ASSERT_TRUE(SaveJPG(info, data.Path("AppData/Splash.jpg"), 95));

    SplashDlg splash(data.path());
    ASSERT_TRUE(splash.HasPicture());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(kWidth, kHeight));
    EXPECT_TRUE(splash.windowTitle().isEmpty());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(splash.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(splash.geometry().center().y() - screen.center().y()), 1);

    const QImage shown = splash.grab().toImage();
    const QColor centre = shown.pixelColor(kWidth / 2, kHeight / 2);
    EXPECT_NEAR(centre.red(), 0xE0, 6);
    EXPECT_NEAR(centre.green(), 0x40, 6);
    EXPECT_NEAR(centre.blue(), 0x20, 6);
}

TEST_F(Dialogs, BitmapsBecomeImagesInScreenOrder) {
    auto rgb = platform::DibSection::Create(2, 2, 24);  // bottom-up
    ASSERT_NE(rgb, nullptr);
    rgb->Row(0)[0] = 0x10;  // blue
    rgb->Row(0)[1] = 0x20;  // green
    rgb->Row(0)[2] = 0x30;  // red
    rgb->Row(1)[3] = 0xFF;
    QImage image = ToQImage(*rgb);
    EXPECT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0xFF));

    auto mono = platform::DibSection::Create(10, -1, 1);
    ASSERT_NE(mono, nullptr);
    mono->colours()[1] = 0x00FF0000;  // red, as blue-green-red-0
    mono->Row(0)[0] = 0x80;
    mono->Row(0)[1] = 0x40;
    image = ToQImage(*mono);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0xFF, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(9, 0), qRgb(0xFF, 0, 0));
}

}  // namespace
