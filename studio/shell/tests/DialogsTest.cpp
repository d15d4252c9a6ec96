#include <cstdlib>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/DibImage.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/RenameDlg.h"
#include "studio/shell/ShellDialogs.h"
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

TEST_F(Dialogs, TheBusyDialogCyclesItsCaptionAndKeepsItsBarInRange) {
    BusyDialog* busy = GetBusyDialog();
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(busy->isVisible());
    EXPECT_EQ(busy->windowTitle(), "Please wait...");
    EXPECT_EQ(Text(busy, "1170"), "Working");
    const char* titles[] = {"Please wait..", "Please wait...", "Please wait.", "Please wait.."};
    for (int n = 1; n <= 4; ++n) {
        busy->Step(n, n == 1 ? "Generating thumbnails..." : nullptr, n == 2 ? "b.jpg" : nullptr);
        EXPECT_EQ(busy->windowTitle(), titles[n - 1]) << n;
    }
    EXPECT_EQ(Text(busy, "1170"), "Generating thumbnails...");
    EXPECT_EQ(Text(busy, "1172"), "b.jpg");
    auto* bar = busy->findChild<QProgressBar*>("1169");
    ASSERT_NE(bar, nullptr);
    busy->SetRange(0, 25);
    busy->Step(14, nullptr, nullptr);
    busy->StepIt();
    EXPECT_EQ(bar->value(), 24);
    busy->StepIt();
    EXPECT_EQ(bar->value(), 0);
    busy->Step(99, nullptr, nullptr);
    EXPECT_EQ(bar->value(), 25);

    // Closed twice, then a fresh one, which code without windows reaches once installed.
    CloseBusyDialog();
    CloseBusyDialog();
    BusyDialog* fresh = GetBusyDialog();
    EXPECT_EQ(Text(fresh, "1170"), "Working");
    UseBusyDialogForProgress();
    EXPECT_EQ(GetProgress(), static_cast<Progress*>(fresh));
    SetProgressSource(nullptr);
}

TEST_F(Dialogs, EachRenameButtonSetsItsFlagsAndClearsTheOthers) {
    struct Case {
        const char* button;
        const char* text;
        bool accepted, autoRename, autoRenameAll, overwrite, overwriteAll;
    };
    // One dialog for all, so each button must clear what the one before set.
    const Case cases[] = {
        {"2", "Cancel", false, false, false, false, false},
        {"1012", "Auto rename", true, true, false, false, false},
        {"1013", "AutoRename All", true, true, true, false, false},
        {"1194", "Overwrite All", true, false, false, true, true},
        {"1", "Ok", true, false, false, false, false},
        {"1164", "Overwrite", true, false, false, true, false},
    };
    RenameDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Rename file");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        dialog.SetNames("photo.jpg", "photo_1.jpg");
        dialog.open();
        EXPECT_EQ(Text(&dialog, "1016"), "photo.jpg");
        auto* edit = dialog.findChild<QLineEdit*>("1011");
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "photo_1.jpg");
        edit->setText("edited.jpg");
        auto* button = dialog.findChild<QPushButton*>(c.button);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), c.text);
        button->click();
        EXPECT_EQ(dialog.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.AutoRename(), c.autoRename);
        EXPECT_EQ(dialog.AutoRenameAll(), c.autoRenameAll);
        EXPECT_EQ(dialog.Overwrite(), c.overwrite);
        EXPECT_EQ(dialog.OverwriteAll(), c.overwriteAll);
        EXPECT_EQ(dialog.GetNewName(), std::string(c.button) == "1" ? "edited.jpg" : "photo_1.jpg");
    }
}

TEST_F(Dialogs, ASplashPictureShowsAtItsSizeInTheMiddleOfTheScreen) {
    testing_support::TempDir data;
    data.Write("AppData/Splash.jpg", "not a picture");
    EXPECT_FALSE(SplashDlg(data.path()).isVisible());

    constexpr int kWidth = 40;
    constexpr int kHeight = 30;
    // Red above, blue below, each stored blue-green-red.
    const std::uint8_t red[] = {0x20, 0x40, 0xE0}, blue[] = {0xE0, 0x40, 0x20};
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const std::uint8_t* c = i < kWidth * kHeight / 2 ? red : blue;
        pixels.insert(pixels.end(), c, c + 3);
    }
    PictureInfo info;
    info.pixels = pixels.data();
    info.width = kWidth;
    info.height = kHeight;
    info.bitsPerPixel = 24;
    info.rowBytes = kWidth * 3;
    ASSERT_TRUE(SaveJPG(info, data.Path("AppData/Splash.jpg"), 95));

    SplashDlg splash(data.path());
    ASSERT_TRUE(splash.HasPicture());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(kWidth, kHeight));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((splash.geometry().center() - screen.center()).manhattanLength(), 2);
    const QImage shown = splash.grab().toImage();
    EXPECT_LE(std::abs(shown.pixelColor(20, 3).red() - 0xE0), 24);
    EXPECT_LE(std::abs(shown.pixelColor(20, kHeight - 4).blue() - 0xE0), 24);
}

TEST_F(Dialogs, OneBitBitmapsTakeTheirColourTable) {
    auto mono = platform::DibSection::Create(10, -1, 1);
    ASSERT_NE(mono, nullptr);
    mono->colours()[1] = 0x00FF0000;  // red, as blue-green-red-0
    mono->Row(0)[0] = 0x80;
    mono->Row(0)[1] = 0x40;
    const QImage image = ToQImage(*mono);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0xFF, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(9, 0), qRgb(0xFF, 0, 0));
}

// Clicks a button of the modal dialog as soon as it shows, after typing into its edit.
void ClickWhenShown(const char* button, const char* typed = nullptr) {
    QTimer::singleShot(0, [button, typed] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        if (typed != nullptr) dialog->findChild<QLineEdit*>("1011")->setText(typed);
        dialog->findChild<QPushButton*>(button)->click();
    });
}

TEST_F(Dialogs, TheRenameDialogAnswersTheCopysQuestion) {
    InstallShellDialogs(nullptr);
    const RenameQuestion ask = SetRenameQuestion(nullptr);
    ASSERT_TRUE(ask);
    SetCopyProgressFactory(nullptr);

    ClickWhenShown("1013");
    RenameChoice choice = ask("x.jpg", "x_1.jpg");
    EXPECT_EQ(choice.kind, RenameChoice::AutoRename);
    EXPECT_TRUE(choice.all);
    ClickWhenShown("1", "mine.jpg");
    choice = ask("x.jpg", "x_1.jpg");
    EXPECT_EQ(choice.kind, RenameChoice::UseName);
    EXPECT_EQ(choice.name, "mine.jpg");
    ClickWhenShown("2");
    EXPECT_EQ(ask("x.jpg", "x_1.jpg").kind, RenameChoice::Cancel);
}

TEST_F(Dialogs, WrappedTextBreaksAtTheClientWidth) {
    QLabel label;
    label.setContentsMargins(0, 0, 0, 0);
    label.resize(QFontMetrics(label.font()).horizontalAdvance("MMMM") + 1, 100);
    SetWrappedWindowText(&label, "MMMMMMMMMM");
    EXPECT_EQ(label.text(), "MMMM\nMMMM\nMM");
}

TEST(FileDataSource, DragDataCarriesTheBlockUnderItsOwnType) {
    testing_support::TempDir dir;
    const PidlPath folder(dir.path());
    PidlPath item;
    PidlPath(dir.Write("a.jpg", "")).GetLastItem(item);
    FileSelection selection;
    selection.Set(folder, {item});
    const auto data = CreateFileDataSource(selection);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat("application/x-kivofilelist"));

    PidlPath readFolder;
    std::vector<PidlPath> items;
    ASSERT_TRUE(ReadFileListData(data.get(), readFolder, items));
    EXPECT_EQ(readFolder, folder);
    EXPECT_EQ(items, std::vector<PidlPath>{item});

    // An invalid folder gives no drag data.
    EXPECT_EQ(CreateFileDataSource(PidlPath(), {item}), nullptr);
}

}  // namespace
