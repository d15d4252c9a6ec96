#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "imaging/IPTCData.h"
#include "imaging/tests/JpegFixtures.h"
#include "studio/core/FileSelection.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileinfo/FileInfoCommand.h"
#include "studio/shell/fileinfo/IPTCPages.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/DialogDriver.h"
#include "testing/QtTestApp.h"
#include "testing/RunTool.h"
#include "testing/StudioTestRig.h"

namespace {

using testing_support::RunTool;

namespace fs = std::filesystem;
using testing_support::DialogDriver;
using testing_support::DriveNextDialog;

// The pages need an application, which the studio's tests below make their own way.
class FileInfoPages : public ::testing::Test {
protected:
    FileInfoPages() { testing_support::TestApplication(); }
};

template <class T>
T* Find(QWidget* page, int id) {
    return page->findChild<T*>(QString::number(id));
}

// ---- The pages on a record, without a sheet.

TEST_F(FileInfoPages, UrgencyShowsItsEntryAndNoneEmptiesIt) {
    struct Case {
        const char* stored;
        const char* shown;  // "" for no entry
        int pick;           // -2: leave the choice
        const char* after;
    };
    for (const Case& c : {Case{"5", "5 (Normal)", -2, "5"}, Case{"", "None", -2, ""},
                          Case{"5", "5 (Normal)", 8, ""}, Case{"1", "1 (High)", 7, "8"},
                          Case{"9", "", -2, "9"}, Case{"9", "", 2, "3"}}) {
        IPTCData record;
        record.Clear();
        record.urgency = c.stored;
        PropFileInfoCategories page;
        page.SetRecord(&record);
        page.EnsureInitialised();
        auto* urgency = Find<QComboBox>(&page, 1236);
        EXPECT_EQ(urgency->currentText().toStdString(), c.shown) << c.stored;
        if (c.pick != -2) urgency->setCurrentIndex(c.pick);
        page.Apply();
        EXPECT_EQ(record.urgency, c.after) << c.stored << " pick " << c.pick;
    }
}

TEST_F(FileInfoPages, KeywordsAddAndRemoveInOrder) {
    IPTCData record;
    record.Clear();
    PropFileInfoKeywords page;
    page.SetRecord(&record);
    page.EnsureInitialised();
    auto* edit = Find<QLineEdit>(&page, 1232);
    auto* add = Find<QPushButton>(&page, 1048);
    auto* remove = Find<QPushButton>(&page, 1049);
    auto* list = Find<QListWidget>(&page, 1231);
    for (const char* word : {"sea", "sky"}) {
        edit->setText(word);
        ASSERT_TRUE(add->isEnabled());
        add->click();
        EXPECT_TRUE(edit->text().isEmpty());
        EXPECT_FALSE(add->isEnabled());
    }
    EXPECT_FALSE(remove->isEnabled());
    list->setCurrentRow(0);
    ASSERT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_FALSE(remove->isEnabled());
    page.Apply();
    EXPECT_EQ(record.keywords, std::vector<std::string>{"sky"});
}

TEST_F(FileInfoPages, OriginKeepsAnOldDateAndGivesARecordWithoutOneTheShownDate) {
    IPTCData record;
    record.Clear();
    record.dateCreated = "19650412";
    {
        PropFileInfoOrigin page;
        page.SetRecord(&record);
        page.EnsureInitialised();
        EXPECT_EQ(Find<QDateEdit>(&page, 1240)->date(), QDate(1965, 4, 12));
        page.Apply();
        EXPECT_EQ(record.dateCreated, "19650412");
    }
    record.dateCreated = "2003-7";  // not a date the picker can show: kept unless changed
    {
        PropFileInfoOrigin page;
        page.SetRecord(&record);
        page.EnsureInitialised();
        page.Apply();
        EXPECT_EQ(record.dateCreated, "2003-7");
        Find<QDateEdit>(&page, 1240)->setDate(QDate(1999, 12, 31));
        page.Apply();
        EXPECT_EQ(record.dateCreated, "19991231");
    }
    record.dateCreated.clear();
    {
        PropFileInfoOrigin page;
        page.SetRecord(&record);
        page.EnsureInitialised();
        page.Apply();
        EXPECT_EQ(record.dateCreated, QDate::currentDate().toString("yyyyMMdd").toStdString());
    }
}

TEST_F(FileInfoPages, TextsTheUserLeftAloneKeepTheirBytes) {
    IPTCData record;
    record.Clear();
    record.caption = "caf\xe9";  // not UTF-8
    record.headline = "old";
    record.keywords = {"\xff\xfe", "sea"};
    PropFileInfoCaption caption;
    PropFileInfoKeywords keywords;
    caption.SetRecord(&record);
    keywords.SetRecord(&record);
    caption.EnsureInitialised();
    keywords.EnsureInitialised();
    Find<QLineEdit>(&caption, 1225)->setText("new");
    Find<QLineEdit>(&keywords, 1232)->setText("sky");
    Find<QPushButton>(&keywords, 1048)->click();
    caption.Apply();
    keywords.Apply();
    EXPECT_EQ(record.caption, "caf\xe9");
    EXPECT_EQ(record.headline, "new");
    EXPECT_EQ(record.keywords, (std::vector<std::string>{"\xff\xfe", "sea", "sky"}));
}

// ---- The command in the studio.

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

IPTCData ReadBack(const std::string& path) {
    IPTCData record;
    EXPECT_EQ(ReadIptcFromJpegFile(path, record), IptcFileRead::Read) << path;
    return record;
}

class FileInfoSheet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start());
        folder_ = rig_.temp().Path("pictures") + "/";
        fs::create_directories(folder_);
    }
    std::string Jpeg(const std::string& name) {
        WritePicture(folder_ + name, QColor(20, 90, 160), 48, 32);
        return folder_ + name;
    }
    void Select(const std::vector<std::string>& names) {
        FileSelection& selection = rig_.frame()->GetSelection();
        selection.SetFromNames(folder_, names);
        selection.GatherFacts([](const PidlPath&) { return std::optional<GalleryImage>(); });
    }

    testing_support::StudioTestRig rig_;
    std::string folder_;
};

TEST_F(FileInfoSheet, EnabledForOneJpegFileOnly) {
    for (const char* name : {"x.JPE", "x.jpeg", "x.png", "y.jpg"}) Jpeg(name);
    struct Case {
        std::vector<std::string> names;
        bool enabled;
    };
    for (const Case& c : {Case{{"x.JPE"}, true}, Case{{"x.jpeg"}, true}, Case{{"x.png"}, false},
                          Case{{"x.JPE", "y.jpg"}, false}}) {
        Select(c.names);
        EXPECT_EQ(IsCommandEnabled(kFileInfoProperties), c.enabled) << c.names.front();
    }
}

TEST_F(FileInfoSheet, OkWritesTheEditedCaptionAndKeepsTheRestCancelWritesNothing) {
    const std::string path = Jpeg("x.jpg");
    IPTCData stored;
    stored.Clear();
    stored.caption = "old caption";
    stored.byline = "A. Painter";
    stored.city = "Ostend";
    stored.dateCreated = "19650412";
    stored.urgency = "5";
    stored.keywords = {"sea", "sky"};
    stored.supplementalCategories = {"coast"};
    ASSERT_TRUE(stored.SaveToJpegFile(path));
    Select({"x.jpg"});

    const std::string before = Bytes(path);
    DriveNextDialog([](DialogDriver& d) {
        d.SetText(1224, "changed");  // typed, then thought better of
        d.Press(2);
    });
    ExecuteCommand(kFileInfoProperties);
    EXPECT_EQ(Bytes(path), before);

    DriveNextDialog([](DialogDriver& d) {
        d.SetText(1224, "new caption");
        // Every page once, as a user looking through them would.
        auto* tabs = d.dialog()->findChild<QTabWidget*>("12320");
        for (int i = 0; i < tabs->count(); ++i) tabs->setCurrentIndex(i);
        d.Press(1);
    });
    EXPECT_TRUE(ExecuteCommand(kFileInfoProperties));
    IPTCData expected = stored;
    expected.caption = "new caption";
    const IPTCData read = ReadBack(path);
    EXPECT_EQ(read.caption, "new caption");
    for (auto field :
         {&IPTCData::byline, &IPTCData::city, &IPTCData::dateCreated, &IPTCData::urgency}) {
        EXPECT_EQ(read.*field, expected.*field);
    }
    EXPECT_EQ(read.keywords, expected.keywords);
    EXPECT_EQ(read.supplementalCategories, expected.supplementalCategories);
    if (!RunTool("command -v exiv2").empty()) {
        EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.Caption -Pv '" + path + "'"),
                  "new caption\n");
        EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.Keywords -Pv '" + path + "'"), "sea\nsky\n");
        EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.DateCreated -Pv '" + path + "'"),
                  "1965-04-12\n");
    }
}

TEST_F(FileInfoSheet, EnterInAListEditAddsTheTextAndOnAnEmptyEditConfirms) {
    const std::string path = Jpeg("big1.jpg");
    IPTCData stored;
    stored.Clear();
    stored.keywords = {"sea"};
    ASSERT_TRUE(stored.SaveToJpegFile(path));
    Select({"big1.jpg"});

    bool stillOpen = false;
    QStringList keywords;
    QStringList categories;
    DriveNextDialog([&](DialogDriver& d) {
        auto* tabs = d.dialog()->findChild<QTabWidget*>("12320");
        // Types into the edit of a page and presses Enter; gives the list beside the edit.
        const auto type = [&](int tab, int editId, const QString& text) {
            tabs->setCurrentIndex(tab);
            QWidget* edit = d.Control(editId);
            edit->setFocus();
            // Key by key; letters beyond ASCII come as a keyboard layout sends them.
            for (const QChar c : text) {
                if (c.unicode() < 0x80) {
                    QTest::keyClick(edit, c.toLatin1());
                } else {
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c),
                                        Qt::NoModifier);
                }
            }
            QTest::keyClick(edit, Qt::Key_Return);
            QStringList items;
            if (auto* list = edit->parentWidget()->findChild<QListWidget*>("1231")) {
                for (int row = 0; row < list->count(); ++row) items << list->item(row)->text();
            }
            return items;
        };
        keywords = type(4, 1232, QString::fromUtf8("Straße"));
        categories = type(1, 1243, QString::fromUtf8("Küste"));
        stillOpen = d.dialog()->isVisible();
        // With nothing typed, Enter is the sheet's OK.
        type(4, 1232, "");
    });
    EXPECT_TRUE(ExecuteCommand(kFileInfoProperties));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(keywords, QStringList({"sea", QString::fromUtf8("Straße")}));
    EXPECT_EQ(categories, QStringList({QString::fromUtf8("Küste")}));
    const IPTCData read = ReadBack(path);
    EXPECT_EQ(read.keywords, (std::vector<std::string>{"sea", "Straße"}));
    EXPECT_EQ(read.supplementalCategories, std::vector<std::string>{"Küste"});
    if (!RunTool("command -v exiv2").empty()) {
        EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.Keywords -Pv '" + path + "'"),
                  "sea\nStraße\n");
    }
}

TEST_F(FileInfoSheet, OkOnAReadOnlyFileReportsItAndLeavesTheFile) {
    const std::string path = Jpeg("locked.jpg");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const std::string before = Bytes(path);
    Select({"locked.jpg"});
    DriveNextDialog([](DialogDriver& d) {
        d.SetText(1224, "lost");
        d.Press(1);
    });
    EXPECT_FALSE(ExecuteCommand(kFileInfoProperties));
    ASSERT_FALSE(rig_.prompts().calls().empty());
    EXPECT_NE(rig_.prompts().calls().back().text.find(path), std::string::npos);
    EXPECT_EQ(Bytes(path), before);
}

TEST_F(FileInfoSheet, KeepsTheTextsOfAPictureNoDecoderTakesAndLeavesAnUnreadableBlockAlone) {
    // A CMYK picture from a print work flow, stored as YCCK.
    jpeg_fixtures::Options ycck;
    ycck.colour = jpeg_fixtures::Colour::Ycck;
    const std::string path = rig_.temp().Write(
        "pictures/print.jpg", jpeg_fixtures::AsString(jpeg_fixtures::Encode(ycck)));
    IPTCData stored;
    stored.Clear();
    stored.caption = "old caption";
    stored.byline = "B. Printer";
    stored.city = "Ghent";
    stored.keywords = {"ink", "paper"};
    ASSERT_TRUE(stored.SaveToJpegFile(path));
    Select({"print.jpg"});
    DriveNextDialog([](DialogDriver& d) {
        d.SetText(1224, "new caption");
        d.Press(1);
    });
    EXPECT_TRUE(ExecuteCommand(kFileInfoProperties));
    const IPTCData read = ReadBack(path);
    EXPECT_EQ(read.caption, "new caption");
    EXPECT_EQ(read.byline, "B. Printer");
    EXPECT_EQ(read.city, "Ghent");
    EXPECT_EQ(read.keywords, (std::vector<std::string>{"ink", "paper"}));
    if (!RunTool("command -v exiv2").empty()) {
        const auto exiv2 = [&path](const std::string& key) {
            return RunTool("exiv2 -K Iptc.Application2." + key + " -Pv '" + path + "'");
        };
        EXPECT_EQ(exiv2("Caption"), "new caption\n");
        EXPECT_EQ(exiv2("Byline"), "B. Printer\n");
        EXPECT_EQ(exiv2("City"), "Ghent\n");
        EXPECT_EQ(exiv2("Keywords"), "ink\npaper\n");
    }

    // The same picture with its caption's length running past the block: no sheet opens,
    // the user hears why, and not a byte changes.
    std::string bytes = Bytes(path);
    const std::size_t caption = bytes.find(std::string("\x1C\x02\x78", 3));
    ASSERT_NE(caption, std::string::npos);
    bytes[caption + 3] = '\x7F';
    const std::string damaged = rig_.temp().Write("pictures/damaged.jpg", bytes);
    Select({"damaged.jpg"});
    bool opened = false;
    bool timedOut = false;
    DriveNextDialog(
        [&opened](DialogDriver& d) {
            opened = true;
            d.Press(1);
        },
        300, &timedOut);
    EXPECT_FALSE(ExecuteCommand(kFileInfoProperties));
    QElapsedTimer waited;
    waited.start();
    while (!timedOut && !opened && waited.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(Bytes(damaged), bytes);
    ASSERT_FALSE(rig_.prompts().calls().empty());
    EXPECT_NE(rig_.prompts().calls().back().text.find("cannot be read"), std::string::npos);
}

}  // namespace
