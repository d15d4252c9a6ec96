#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QWidget>

#include "studio/projects/PageImage.h"
#include "studio/shell/panes/KivoSheet.h"

class InfoView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPoint;
class QPushButton;
class Vantelifier;
class VanteloView;
class VantelifyList;

// The info pane's sheet of the page project: the pictures of the page with their
// thumbnails, whether each becomes a zoomable viewer and with which files and sizes, and
// the preview, export and close buttons. It holds the page as last scanned.
class InfoVantelifySheet final : public QWidget, public KivoSheet {
public:
    explicit InfoVantelifySheet(QWidget* parent = nullptr);
    ~InfoVantelifySheet() override;

    void SetInfoView(InfoView* view) { infoView_ = view; }
    void SetViewerView(VanteloView* view) { viewerView_ = view; }

    // A page is going to be shown: the list empties and the next load is scanned.
    void BeginLoad();
    // Shows the preview (the page until one is written), or the empty help page without a
    // page.
    void ShowPreview();
    // The viewer pane finished loading: when it shows the page or its preview and a scan is
    // wanted, reads it into the list.
    void ScanPage();
    // The converted page into a file; false when it was not written.
    bool WritePage(const std::string& path);
    // Saves the converted page under a chosen path, with the page script beside it.
    bool Save(const std::string& path);
    // Empties the list and its thumbnails.
    void ClearImages();

    // A file list dropped on the zoom-source or page-picture field chooses its first file.
    int CanDrop(const QMimeData* mime, Qt::KeyboardModifiers keyState,
                const QPoint& point) override;
    bool Drop(const QMimeData* mime, int effect, const QPoint& point) override;

    const VantelifyPage& GetPage() const { return page_; }
    int GetSelectedIndex() const { return selected_; }

private:
    enum DropField { kNoField = 0, kZoomSourceField = 1, kPagePictureField = 2 };

    void BuildControls();
    void OnSelectionChanged(int row);
    void OnToggle(bool on);
    void ShowSelection();
    void ShowFields(bool shown);
    void FillFields(const PageImage& image);
    // The six fields into the selected record (the project is marked changed).
    void TakeFields();
    void SetRowPicture(int record, int variant);
    void ReadPage(Vantelifier& project, const std::string& path);
    void ChooseFile(DropField field, const std::string& file, bool dropped);
    void AskForFile(DropField field);
    void ShowZoomSourceFacts();
    DropField FieldAt(const QPoint& point) const;

    QCheckBox* zoomable_ = nullptr;
    VantelifyList* list_ = nullptr;
    QLineEdit* zoomHeight_ = nullptr;
    QLineEdit* zoomSource_ = nullptr;
    QLineEdit* pagePicture_ = nullptr;
    QLineEdit* zoomWidth_ = nullptr;
    QLineEdit* pageHeight_ = nullptr;
    QLineEdit* pageWidth_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* export_ = nullptr;
    std::vector<QWidget*> fieldControls_;  // the six fields with their labels and buttons

    std::vector<QImage> thumbnails_;  // three per record: grey, plain, marked
    std::string lastReported_;        // the page last reported as unusable
    VantelifyPage page_;
    int selected_ = -1;
    bool filling_ = false;  // the list is being changed by the sheet, not the user
    bool reading_ = true;
    InfoView* infoView_ = nullptr;
    VanteloView* viewerView_ = nullptr;
};
