#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QListWidget>

#include <gtest/gtest.h>

#include "studio/core/FileSelection.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/gallery/InfoGallerySheet.h"
#include "studio/shell/panes/InfoView.h"
#include "testing/StudioTestRig.h"

// The studio with its real panes and the gallery commands, and a folder of pictures.
class GalleryStudio : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start());
        frame_ = rig_.frame();
        ASSERT_NE(frame_, nullptr);
        frame_->resize(1400, 1400);
        sheet_ = frame_->GetInfoView()->GetGallerySheet();
        ASSERT_NE(sheet_, nullptr);
        folder_ = rig_.temp().Path("pictures") + "/";
        std::filesystem::create_directories(folder_);
    }

    // Pictures in the folder, each of its own colour.
    void Pictures(const std::vector<std::string>& names) {
        int shade = 0;
        for (const std::string& name : names) {
            WritePicture(folder_ + name, QColor(20 * shade % 255, 90, 200), 40, 30);
            ++shade;
        }
    }
    // Selects the names in the folder as the file list would.
    void Select(const std::vector<std::string>& names) {
        frame_->GetSelection().SetFromNames(folder_, names);
    }
    // Makes the pictures and adds them to the gallery (made when none is open).
    void AddPictures(const std::vector<std::string>& names) {
        Pictures(names);
        Select(names);
        ASSERT_TRUE(IsCommandEnabled(kGalleryAddFiles));
        ExecuteCommand(kGalleryAddFiles);
    }
    QListWidget* List() const { return sheet_->findChild<QListWidget*>("1088"); }
    QListWidget* Templates() const { return sheet_->findChild<QListWidget*>("1026"); }
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int i = 0; i < List()->count(); ++i)
            rows.push_back(List()->item(i)->text().toStdString());
        return rows;
    }
    std::vector<std::string> GalleryNames() const {
        std::vector<std::string> names;
        Gallery* gallery = CurrentGallery();
        for (int n = 1; gallery != nullptr && n <= gallery->GetImageCount(); ++n)
            names.push_back(gallery->GetImage(n)->fileName);
        return names;
    }

    // Working folders are made in the test's own temporary folder.
    gallery_testing::GalleryEnvironment tmp_;
    testing_support::StudioTestRig rig_;
    CMainFrame* frame_ = nullptr;
    InfoGallerySheet* sheet_ = nullptr;
    std::string folder_;
};
