#include <filesystem>
#include <iterator>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "studio/core/Properties.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/prefs/EditPreferences.h"
#include "studio/shell/prefs/PrefPages.h"
#include "testing/DialogDriver.h"
#include "testing/StudioTestRig.h"

namespace {

namespace fs = std::filesystem;
using testing_support::DialogDriver;

template <class T>
T* Find(QWidget* page, int id) {
    return page->findChild<T*>(QString::number(id));
}

// The pages read and write the program's preferences: the rig keeps them in its own
// registry folder, and each test starts from the defaults.
class PrefPages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start());
        Properties& p = Properties::Instance();
        p.SetMinZoom(0.1f);
        p.SetMaxZoom(10.0f);
        p.SetBgColor(0xFFFFFF);
        p.SetLock(0);
        p.SetFit(304);
        p.SetThumbSize({48, 48});
        p.SetThumbQuality(75);
        ASSERT_TRUE(p.Save());
    }

    testing_support::StudioTestRig rig_;
};

TEST_F(PrefPages, ZoomListsAndSwappedColours) {
    struct Case {
        float zoom;
        const char* shown;
        bool customEnabled;
    };
    for (const Case& c : {Case{0.1f, "10 %", false}, Case{0.15f, "Custom", true},
                          Case{10.0f, "1000 %", false}, Case{0.3f, "30 %", false}}) {
        Properties::Instance().SetMinZoom(c.zoom);
        PropPageVantelo page;
        page.EnsureInitialised();
        EXPECT_EQ(Find<QComboBox>(&page, 1110)->currentText().toStdString(), c.shown) << c.zoom;
        EXPECT_EQ(Find<QLineEdit>(&page, 1111)->isEnabled(), c.customEnabled) << c.zoom;
    }
    Properties::Instance().SetBgColor(0x0000FF);
    PropPageVantelo page;
    page.EnsureInitialised();
    EXPECT_EQ(Find<QLineEdit>(&page, 1116)->text(), "ff0000");
    Find<QLineEdit>(&page, 1116)->setText("00ff80");
    page.Apply();
    EXPECT_EQ(Properties::Instance().GetBgColor(), 0x80FF00);
}

TEST_F(PrefPages, OkWithoutChangesLeavesEveryPreferenceAsItWas) {
    Properties& p = Properties::Instance();
    p.SetLock(0x88);  // bits the page has no box for
    p.SetMinZoom(0.15f);
    ASSERT_TRUE(p.Save());
    PropPageFiles files;
    PropPageGallery gallery;
    PropPageVantelo vantelo;
    for (PropertyPage* page : std::initializer_list<PropertyPage*>{&files, &gallery, &vantelo}) {
        page->EnsureInitialised();
        page->Apply();
    }
    EXPECT_FALSE(p.IsChanged());
    EXPECT_EQ(p.GetFit(), 304);
    EXPECT_EQ(p.GetLock(), 0x88);
    EXPECT_EQ(p.GetMinZoom(), 0.15f);

    // A box the user ticks adds its bit to the others; a fit choice rebuilds its own bits.
    Find<QCheckBox>(&vantelo, 1120)->setChecked(true);
    Find<QComboBox>(&vantelo, 1126)->setCurrentText("Width");
    vantelo.Apply();
    EXPECT_EQ(p.GetLock(), 0x89);
    EXPECT_EQ(p.GetFit(), 0x100 | 0x11);
    EXPECT_EQ(FitChoice(304), 3);
    EXPECT_EQ(FitValue(0, 304), 0x100);
}

TEST_F(PrefPages, GalleryPreviewShowsSizesAndGoesWithThePage) {
    std::string file;
    {
        PropPageGallery page;
        page.EnsureInitialised();
        file = page.GetPreviewFile();
        ASSERT_FALSE(file.empty());
        ASSERT_TRUE(fs::exists(file));
        const auto bytes = static_cast<int>(fs::file_size(file));
        EXPECT_EQ(
            Find<QLabel>(&page, 1104)->text().toStdString(),
            std::to_string((bytes + 512) / 1024) + " kb (" + std::to_string(bytes) + " bytes)");
        EXPECT_EQ(Find<QLabel>(&page, 1105)->text(), "48 x 48");
        Find<QSlider>(&page, 1100)->setValue(100);
        EXPECT_EQ(Find<QLabel>(&page, 1105)->text(), "100 x 100");
        EXPECT_TRUE(page.IsModified());
        page.Apply();
        EXPECT_EQ(Properties::Instance().GetThumbSize(), (Vector2<int>{100, 100}));

        // Every change rewrites the one preview, in a folder nobody else may enter.
        Find<QSlider>(&page, 1101)->setValue(20);
        Find<QSlider>(&page, 1100)->setValue(64);
        EXPECT_EQ(page.GetPreviewFile(), file);
        const fs::path folder = fs::path(file).parent_path();
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
        EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all),
                  fs::perms::none);
        PropPageGallery second;
        second.EnsureInitialised();
        EXPECT_NE(fs::path(second.GetPreviewFile()).parent_path(), folder) << "a studio each";
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(fs::path(file).parent_path()));
}

TEST_F(PrefPages, GallerySlidersShowTheirValues) {
    PropPageGallery page;
    page.EnsureInitialised();
    page.show();
    struct Case {
        int id;
        const char* stored;
        Qt::Key key;
        const char* after;
    };
    for (const Case& c :
         {Case{1100, "48", Qt::Key_Right, "49"}, Case{1101, "75", Qt::Key_End, "100"},
          Case{1101, "100", Qt::Key_Home, "0"}}) {
        auto* slider = Find<QSlider>(&page, c.id);
        QLabel* value = slider->parentWidget()->findChild<QLabel*>();
        ASSERT_NE(value, nullptr) << c.id;
        EXPECT_TRUE(value->isVisible());
        EXPECT_EQ(value->text(), c.stored) << c.id;
        slider->setFocus();
        QTest::keyClick(slider, c.key);
        EXPECT_EQ(value->text(), c.after) << c.id;
        EXPECT_EQ(value->text().toInt(), slider->value());
    }
}

TEST_F(PrefPages, RegisteredImageEditorIsTheHighestNumberedVersion) {
    platform::Registry registry(rig_.temp().Path("hklm"));
    for (const char* version : {"7.0", "CS2", "6.0"}) {
        platform::RegKey key;
        ASSERT_EQ(platform::RegKey::Create(
                      registry, platform::RegHive::LocalMachine,
                      std::string("Software\\Adobe\\Photoshop\\") + version + "\\ApplicationPath",
                      "", key),
                  platform::RegResult::Ok);
        key.SetString("", std::string("/opt/") + version + "/");
    }
    EXPECT_EQ(FindRegisteredImageEditor(registry), "/opt/7.0/Photoshp.exe");
}

TEST_F(PrefPages, SheetOpensOnThePageOfNoProjectAndSavesOnOk) {
    EXPECT_EQ(PreferencesStartPage(), 0);
    testing_support::DriveNextDialog([](DialogDriver& d) {
        auto* tabs = d.dialog()->findChild<QTabWidget*>("12320");
        EXPECT_EQ(tabs->currentIndex(), 0);
        tabs->setCurrentIndex(1);
        d.dialog()->findChild<QSlider*>("1101")->setValue(90);
        d.Press(1);
    });
    EXPECT_TRUE(ExecuteCommand(kEditPreferences));
    EXPECT_FALSE(Properties::Instance().IsChanged());  // saved
    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::Open(platform::Registry::Default(), platform::RegHive::CurrentUser,
                                     "Software\\Vantelo\\Kivo", key),
              platform::RegResult::Ok);
    EXPECT_EQ(key.GetDword("ThumbQuality"), 90u);
}

}  // namespace
