// The page sheet, the File info sheet and a gallery variable's editor at the studio's default
// size and font: every label, button, box and tab shows its whole text, and no word of a
// description is broken. When VANTELO_SCREENSHOT_DIR names a folder, each window is saved
// there as a picture to look at.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "imaging/IPTCData.h"
#include "studio/core/FileSelection.h"
#include "studio/projects/TemplateVariable.h"
#include "studio/shell/PropertySheet.h"
#include "studio/shell/app/FrameSplitter.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileinfo/IPTCPages.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/gallery/VariableEditors.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/vantelify/InfoVantelifySheet.h"
#include "testing/QtTestApp.h"
#include "testing/StudioTestRig.h"

namespace {

QString Plain(QString text) {
    return text.remove('&');
}

std::string Name(const QWidget* widget) {
    return (QString(widget->metaObject()->className()) + " " + widget->objectName()).toStdString();
}

// Texts that do not fit their widgets, as "widget: text".
std::vector<std::string> CutTexts(QWidget* root) {
    std::vector<std::string> cut;
    auto report = [&](const QWidget* widget, const QString& text) {
        cut.push_back(Name(widget) + ": " + text.toStdString());
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.push_front(root);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible()) continue;
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText) continue;
            // A path that elides its middle shows it whole in its tooltip.
            if (label->property("elidesText").toBool()) {
                if (metrics.horizontalAdvance(label->text()) > label->contentsRect().width() &&
                    label->toolTip() != label->text())
                    report(label, label->text() + " (elided without its tooltip)");
                continue;
            }
            const QStringList lines = label->text().split('\n');
            const int room = label->contentsRect().width() - 2 * label->margin();
            for (const QString& line : lines) {
                const QStringList pieces = label->wordWrap() ? line.split(' ') : QStringList{line};
                for (const QString& piece : pieces) {
                    if (metrics.horizontalAdvance(piece) > room) report(label, piece);
                }
            }
            if (!label->wordWrap() &&
                static_cast<int>(lines.size()) * metrics.height() > label->contentsRect().height())
                report(label, label->text() + " (lines cut off below)");
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            if (check->width() < check->sizeHint().width()) report(check, check->text());
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (radio->width() < radio->sizeHint().width()) report(radio, radio->text());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            const QString text = Plain(button->text());
            if (text.isEmpty()) continue;
            const int margin =
                button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            if (metrics.horizontalAdvance(text) + margin > button->width()) report(button, text);
        } else if (auto* bar = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < bar->count(); ++i) {
                const QRect tab = bar->tabRect(i);
                const QString text = Plain(bar->tabText(i));
                if (tab.right() >= bar->width() || tab.left() < 0 ||
                    metrics.horizontalAdvance(text) > tab.width()) {
                    report(bar, text);
                }
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(Plain(group->title())) > group->width())
                report(group, group->title());
        }
    }
    return cut;
}

// Saves the window's picture for a person to look at, when asked to.
void Keep(QWidget* window, const std::string& name) {
    const char* folder = std::getenv("VANTELO_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0') return;
    std::filesystem::create_directories(folder);
    window->grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) all += "\n  " + text;
    return all;
}

// The studio's frame on a screen of that size, its panes where they start; its page sheet.
InfoVantelifySheet* ShowPageSheet(testing_support::StudioTestRig& rig, int width, int height) {
    if (!rig.Start() || rig.frame() == nullptr) return nullptr;
    CMainFrame* frame = rig.frame();
    frame->resize(width, height);
    frame->GetSplitter()->SetColumnWidth(StartColumnWidth(width));
    frame->GetSplitter()->SetRowHeight(StartRowHeight(height));
    frame->show();
    return frame->GetInfoView()->GetPageSheet();
}

TEST(SheetLayout, PageSheetShowsItsWholeTextsAndFiveDigitsAtTheDefaultSize) {
    testing_support::StudioTestRig rig;
    // The frame fills a 1024 x 768 screen with its panes where they start.
    InfoVantelifySheet* sheet = ShowPageSheet(rig, 1024, 768);
    ASSERT_NE(sheet, nullptr);
    CMainFrame* frame = rig.frame();

    const std::string folder = rig.temp().Path("pages") + "/";
    std::filesystem::create_directories(folder);
    WritePicture(folder + "a.jpg", QColor(30, 120, 200), 40, 30);
    rig.temp().Write("pages/page.htm",
                     "<html><head></head><body><img src='a.jpg' width=40 height=30></body></html>");
    frame->GetSelection().SetFromNames(folder, {"page.htm"});
    ASSERT_TRUE(IsCommandEnabled(kVantelifySetFile));
    ExecuteCommand(kVantelifySetFile);
    rig.browser()->FinishLoad();
    auto* list = sheet->findChild<QListWidget*>("1075");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    list->setCurrentRow(0);
    sheet->findChild<QCheckBox*>("1078")->click();
    QApplication::processEvents();
    ASSERT_TRUE(sheet->isVisible());
    Keep(frame, "page-sheet-frame");
    Keep(sheet, "page-sheet");

    EXPECT_EQ(CutTexts(sheet), std::vector<std::string>{}) << Joined(CutTexts(sheet));
    // The size fields take a five-digit number.
    for (int id : {1080, 1081, 1059, 1065}) {
        auto* field = sheet->findChild<QLineEdit*>(QString::number(id));
        ASSERT_NE(field, nullptr) << id;
        const QMargins margins = field->textMargins();
        EXPECT_GE(field->contentsRect().width() - margins.left() - margins.right() - 4,
                  field->fontMetrics().horizontalAdvance("99999"))
            << id;
    }
    rig.Stop();
}

// A left click of the mouse at `at` (in `window`) on whatever widget lies there.
void ClickAt(QWidget* window, QPoint at) {
    QWidget* target = window->childAt(at);
    if (target == nullptr) target = window;
    const QPoint local = target->mapFrom(window, at);
    const QPoint global = target->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
}

TEST(SheetLayout, PageSheetKeepsItsCheckBoxInPlaceWhateverTheRow) {
    testing_support::StudioTestRig rig;
    InfoVantelifySheet* sheet = ShowPageSheet(rig, 1600, 1000);
    ASSERT_NE(sheet, nullptr);
    CMainFrame* frame = rig.frame();
    const std::string folder = rig.temp().Path("pages") + "/";
    std::filesystem::create_directories(folder);
    WritePicture(folder + "a.jpg", QColor(30, 120, 200), 40, 30);
    WritePicture(folder + "b.jpg", QColor(200, 120, 30), 40, 30);
    rig.temp().Write("pages/page.htm",
                     "<html><head></head><body><img src='a.jpg' width=40 "
                     "height=30><img src='b.jpg'></body></html>");
    frame->GetSelection().SetFromNames(folder, {"page.htm"});
    ExecuteCommand(kVantelifySetFile);
    rig.browser()->FinishLoad();
    QApplication::processEvents();
    auto* list = sheet->findChild<QListWidget*>("1075");
    auto* check = sheet->findChild<QCheckBox*>("1078");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(check, nullptr);
    ASSERT_EQ(list->count(), 2);
    const auto rowCentre = [&](int row) {
        return list->viewport()->mapTo(frame, list->visualItemRect(list->item(row)).center());
    };
    // The box itself, at the start of the row the check box takes.
    const auto checkCentre = [&] {
        return check->mapTo(frame, QPoint(check->height() / 2, check->height() / 2));
    };

    ClickAt(frame, rowCentre(0));
    ASSERT_EQ(list->currentRow(), 0);
    ASSERT_TRUE(check->isVisible());
    const QPoint box = checkCentre();
    Keep(frame, "page-sheet-row-not-ticked");
    ClickAt(frame, box);
    EXPECT_TRUE(check->isChecked()) << "the first click ticks";
    EXPECT_TRUE(sheet->GetPage().images[0].zoomable);
    EXPECT_TRUE(sheet->findChild<QLineEdit*>("1079")->isVisible());
    EXPECT_EQ(checkCentre(), box) << "the fields shown move nothing";
    Keep(frame, "page-sheet-row-ticked");
    ClickAt(frame, box);
    EXPECT_FALSE(check->isChecked()) << "a second click at the same place clears it";
    EXPECT_FALSE(sheet->GetPage().images[0].zoomable);

    // Another row, ticked or not, has its box in the same place too.
    ClickAt(frame, box);
    ClickAt(frame, rowCentre(1));
    ASSERT_EQ(list->currentRow(), 1);
    EXPECT_EQ(checkCentre(), box);
    EXPECT_FALSE(check->isChecked());
    ClickAt(frame, rowCentre(0));
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(checkCentre(), box);
    rig.Stop();
}

TEST(SheetLayout, FileInfoShowsEveryTabAndEveryText) {
    testing_support::TestApplication();
    IPTCData record;
    record.Clear();
    PropertySheet sheet("File info", nullptr);
    for (PropertyPage* page : MakeFileInfoPages(&record)) sheet.AddPage(page);
    auto* tabs = sheet.findChild<QTabWidget*>("12320");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 6);
    sheet.show();
    sheet.resize(sheet.sizeHint());
    QApplication::processEvents();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        Keep(&sheet, "file-info-" + std::to_string(i));
        EXPECT_EQ(CutTexts(&sheet), std::vector<std::string>{})
            << tabs->tabText(i).toStdString() << Joined(CutTexts(&sheet));
    }
}

TEST(SheetLayout, VariableEditorBreaksItsDescriptionBetweenWords) {
    testing_support::TestApplication();
    TemplateVariable variable;
    variable.SetName("title");
    variable.varType = kVarString;
    variable.title = "Gallery title";
    variable.description =
        "The title of every page of the gallery, shown at the top of each page and in the "
        "title bar of the browser window while the page is open.";
    variable.valueText = "Holiday";
    VarStringDlg editor;
    editor.SetVariable(&variable);
    editor.show();
    QApplication::processEvents();
    Keep(&editor, "variable-editor");

    auto* description = editor.findChild<QLabel*>("1043");
    ASSERT_NE(description, nullptr);
    const QStringList lines = description->text().split('\n');
    EXPECT_GT(lines.size(), 1);
    // Lines joined by blanks give the description back: no word was cut in two.
    EXPECT_EQ(lines.join(' ').toStdString(), variable.description);
    EXPECT_EQ(CutTexts(&editor), std::vector<std::string>{}) << Joined(CutTexts(&editor));
}

}  // namespace
