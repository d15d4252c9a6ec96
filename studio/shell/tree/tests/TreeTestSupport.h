#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "studio/shell/fileview/FileView.h"
#include "studio/shell/tree/DriveView.h"
#include "testing/QtTestApp.h"
#include "testing/StudioEnvironment.h"
#include "testing/TempDir.h"

// A tree and a file list side by side over a temporary folder. The drives are the test's:
// the system's root is of no watched kind, so only the temporary folders are watched.
class TreeTest : public ::testing::Test {
protected:
    TreeTest() {
        testing_support::StudioEnvironment::Get();
        testing_support::TestApplication();
        files = std::make_unique<FileView>();
        tree = std::make_unique<DriveView>();
        tree->SetFileView(files.get());
        files->SetTree(tree.get());
        drives = {{"/", platform::shellns::DriveKind::Unknown}};
        tree->SetDriveSource(
            {[this] { return drives; }, [this](const std::string&) { return volume; }});
    }
    ~TreeTest() override {
        tree.reset();
        files.reset();
    }

    void MakeFolder(const std::string& name) {
        ASSERT_EQ(::mkdir(temp.Path(name).c_str(), 0777), 0) << name;
    }
    PidlPath Path(const std::string& name = {}) const {
        return PidlPath(name.empty() ? temp.path() : temp.Path(name));
    }
    QTreeWidgetItem* Node(const std::string& name = {}) const { return tree->FindItem(Path(name)); }
    // The names of the node's children, in order.
    std::vector<std::string> Children(QTreeWidgetItem* node) const {
        std::vector<std::string> names;
        for (int i = 0; node != nullptr && i < node->childCount(); ++i) {
            names.push_back(node->child(i)->text(0).toStdString());
        }
        return names;
    }

    testing_support::TempDir temp;
    std::vector<platform::shellns::DriveInfo> drives;
    std::optional<std::string> volume = "first";
    std::unique_ptr<FileView> files;
    std::unique_ptr<DriveView> tree;
};
