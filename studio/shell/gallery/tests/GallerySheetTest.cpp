#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QMimeData>
#include <QSlider>

#include "studio/shell/FileDataSource.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/gallery/tests/GalleryStudio.h"

namespace {

using Names = std::vector<std::string>;
using platform::PromptAnswer;

class GallerySheet : public GalleryStudio {
protected:
    // A point of a row (or below the last row for -1) in the info pane's coordinates.
    QPoint RowPoint(int row) const {
        QListWidget* list = List();
        QPoint inList;
        if (row >= 0) {
            inList = list->visualItemRect(list->item(row)).center();
        } else {
            const QRect last = list->visualItemRect(list->item(list->count() - 1));
            inList = QPoint(last.center().x(), last.bottom() + 20);
        }
        return list->viewport()->mapTo(frame_->GetInfoView(), inList);
    }
    // The drag data a drag of the row carries: its copy in the working folder.
    std::unique_ptr<QMimeData> RowData(int row) const {
        FileSelection copy;
        copy.SetFromNames(CurrentGallery()->GetWorkingFolder(),
                          {Rows()[static_cast<std::size_t>(row)]});
        return CreateFileDataSource(copy);
    }
    // The drop test's answer for dragging `row` to the point of `target`.
    int Reorder(int row, int target) {
        std::unique_ptr<QMimeData> data = RowData(row);
        sheet_->SetDragSource(data.get(), row);
        const int answer = sheet_->CanDrop(data.get(), {}, RowPoint(target));
        sheet_->SetDragSource(nullptr, -1);
        return answer;
    }
};

TEST_F(GallerySheet, SlidersStandAtTheDefaultSizeAfterSetUp) {
    auto* width = sheet_->findChild<QSlider*>("1139");
    auto* height = sheet_->findChild<QSlider*>("1140");
    ASSERT_NE(width, nullptr);
    ASSERT_NE(height, nullptr);
    EXPECT_EQ(width->value(), 320);
    EXPECT_EQ(height->value(), 200);
    EXPECT_EQ(std::make_pair(width->minimum(), width->maximum()), std::make_pair(128, 800));
    EXPECT_EQ(std::make_pair(height->minimum(), height->maximum()), std::make_pair(128, 600));
}

TEST_F(GallerySheet, SelectedRowKeepsItsLookWithoutTheFocus) {
    AddPictures({"a.jpg", "b.jpg"});
    sheet_->SelectImage(1);
    frame_->GetFileView()->setFocus();
    const QImage shot = List()->viewport()->grab().toImage();
    const QRect row = List()->visualItemRect(List()->item(1));
    EXPECT_EQ(shot.pixelColor(row.left() + 1, row.top() + 1), QColor(0, 0, 127));
    EXPECT_TRUE(List()->item(1)->isSelected());
}

TEST_F(GallerySheet, ReorderDragTable) {
    AddPictures({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    ASSERT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    struct Case {
        int row, target, answer, dropRow;
        const char* why;
    } cases[] = {
        {0, 0, 0, -1, "onto itself"},
        {0, 1, 0, -1, "onto the row below: it would stay where it is"},
        {2, 3, 2, -1, "onto the last row below it: to the end"},
        {0, 2, 2, 2, "onto another row"},
        {3, 0, 2, 0, "the last row up"},
        {0, -1, 2, -1, "below the rows: to the end"},
        {3, -1, 0, -1, "the last row below the rows"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Reorder(c.row, c.target), c.answer) << c.why;
        if (c.answer != 0) {
            EXPECT_EQ(sheet_->GetDropRow(), c.dropRow) << c.why;
        }
    }
}

TEST_F(GallerySheet, ReorderDropOfferingOnlyCopyStillMoves) {
    AddPictures({"a.jpg", "b.jpg", "c.jpg"});
    std::unique_ptr<QMimeData> data = RowData(0);
    sheet_->SetDragSource(data.get(), 0);
    ASSERT_EQ(sheet_->CanDrop(data.get(), {}, RowPoint(-1)), KivoSheet::kDropMove);
    EXPECT_TRUE(sheet_->Drop(data.get(), KivoSheet::kDropCopy, RowPoint(-1)));
    sheet_->SetDragSource(nullptr, -1);
    EXPECT_EQ(GalleryNames(), (Names{"b.jpg", "c.jpg", "a.jpg"}));
    EXPECT_EQ(Rows(), GalleryNames());
}

TEST_F(GallerySheet, OneRowListRefusesReorder) {
    AddPictures({"a.jpg"});
    EXPECT_EQ(Reorder(0, -1), 0);
    EXPECT_EQ(Reorder(0, 0), 0);
}

TEST_F(GallerySheet, FileListDropsGoBeforeTheRowInSelectionOrder) {
    AddPictures({"a.jpg", "b.jpg"});
    Pictures({"y.jpg", "x.jpg", "notes.txt"});
    FileSelection dropped;
    dropped.SetFromNames(folder_, {"y.jpg", "x.jpg"});
    std::unique_ptr<QMimeData> data = CreateFileDataSource(dropped);
    ASSERT_EQ(sheet_->CanDrop(data.get(), {}, RowPoint(1)), KivoSheet::kDropCopy);
    EXPECT_EQ(sheet_->GetDropRow(), 1);
    EXPECT_TRUE(sheet_->Drop(data.get(), KivoSheet::kDropCopy, RowPoint(1)));
    EXPECT_EQ(GalleryNames(), (Names{"a.jpg", "y.jpg", "x.jpg", "b.jpg"}));
    EXPECT_EQ(Rows(), GalleryNames());

    FileSelection textFirst;
    textFirst.SetFromNames(folder_, {"notes.txt", "x.jpg"});
    std::unique_ptr<QMimeData> refused = CreateFileDataSource(textFirst);
    EXPECT_EQ(sheet_->CanDrop(refused.get(), {}, RowPoint(0)), KivoSheet::kDropNone);
}

TEST_F(GallerySheet, TemplateChangeAfterEditedVariablesAsks) {
    ExecuteCommand(kGalleryNew);
    ASSERT_GE(Templates()->count(), 2) << "the shipped templates";
    const std::string first = CurrentGallery()->GetTemplateName();
    EXPECT_EQ(first, sheet_->GetTemplateNames()[0]);

    sheet_->SetVariablesChanged(true);
    rig_.prompts().Answer(PromptAnswer::No);
    sheet_->OnTemplateChanged(1);
    ASSERT_EQ(rig_.prompts().calls().size(), 1u);
    EXPECT_EQ(rig_.prompts().calls()[0].caption, "Change template?");
    EXPECT_EQ(Templates()->currentRow(), 0) << "No reselects the old row";
    EXPECT_EQ(CurrentGallery()->GetTemplateName(), first);

    rig_.prompts().Answer(PromptAnswer::Yes);
    sheet_->OnTemplateChanged(1);
    EXPECT_EQ(CurrentGallery()->GetTemplateName(), sheet_->GetTemplateNames()[1]);
    EXPECT_FALSE(sheet_->GetVariablesChanged());
    sheet_->OnTemplateChanged(0);
    EXPECT_EQ(rig_.prompts().calls().size(), 2u) << "unchanged variables ask nothing";
}

TEST_F(GallerySheet, ANewWindowSizeRedrawsThePictureShownInTheViewerWindow) {
    AddPictures({"a.jpg", "b.jpg"});
    testing_support::FakeBrowser* browser = rig_.browser();
    browser->reportsFileUrls = true;
    const std::string page = CurrentGallery()->GetWorkingFolder() + "index1_2.htm";
    browser->Navigate(page);
    sheet_->findChild<QSlider*>("1139")->setValue(400);
    // The page's real name, though the browser's address reads lower-cased.
    ASSERT_FALSE(browser->navigations.empty());
    EXPECT_EQ(browser->navigations.back(), page);
    std::ifstream in(page);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("'b.jpg',400,200)"), std::string::npos) << text;
}

}  // namespace
