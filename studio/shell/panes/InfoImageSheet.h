#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "studio/shell/panes/KivoSheet.h"

class BrowserControl;
class CWebBrowser2;
class FileSelection;
class InfoView;
class QLabel;
class QLineEdit;
class QPushButton;
struct InfoTexts;

// The "Info" tab's sheet: the facts of the shown file, the buttons that act on it (edit,
// full screen, the gallery's previous and next picture, and one action that suits the file
// and the open project), and the banner browser.
class InfoImageSheet final : public QWidget, public KivoSheet {
public:
    static constexpr int kDialogId = 142;
    enum Control : int {
        kPath = 1005,
        kFileSize = 1006,
        kMemory = 1007,
        kReducedTo = 1008,
        kDimension = 1009,
        kCurrentScale = 1173,
        kUpperLeftPixel = 1174,
        kFileSizeLabel = 1175,
        kMemoryLabel = 1176,
        kReducedToLabel = 1177,
        kDimensionLabel = 1178,
        kCurrentScaleLabel = 1179,
        kUpperLeftPixelLabel = 1180,
        kEdit = 1188,
        kAction = 1192,
        kFullscreen = 1197,
        kPrevious = 1208,
        kNext = 1209,
        kBanner = 1210,
        kActionsGroup = 1212,
        kInformationGroup = 1043,
        kPicture = 1250,
    };

    using BrowserMaker = std::function<std::unique_ptr<BrowserControl>(QWidget* parent)>;

    // `makeBanner` makes the banner's browser; empty for the real one.
    InfoImageSheet(InfoView* infoView, const BrowserMaker& makeBanner, QWidget* parent);
    ~InfoImageSheet() override;

    void SetSelection(FileSelection* selection) { selection_ = selection; }

    // Keeps the path and names the edit button after the kind of file.
    void SetFileName(const std::string& path);
    const std::string& GetFileName() const { return path_; }
    // Shows or hides the picture facts, and fits the buttons to the file.
    void ShowFields(bool show);
    // Fits the edit, full screen, previous, next and action buttons to the file and project.
    void UpdateButtons();
    // Puts the pane's texts into the fields.
    void SetTexts(const InfoTexts& texts);
    // Navigates the banner browser.
    void ShowBannerPage(const std::string& url);
    CWebBrowser2* GetBanner() const { return banner_; }

    // A file list over the path field becomes the selection and is opened.
    int CanDrop(const QMimeData* mime, Qt::KeyboardModifiers keyState,
                const QPoint& point) override;
    bool Drop(const QMimeData* mime, int effect, const QPoint& point) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls(const BrowserMaker& makeBanner);
    void OnAction();
    // Whether the point (in the info pane's coordinates) lies over the path field.
    bool IsOverPath(const QPoint& point) const;

    InfoView* infoView_;
    FileSelection* selection_ = nullptr;
    std::string path_;
    bool firstShow_ = true;
    CWebBrowser2* banner_ = nullptr;
    QLineEdit* pathField_ = nullptr;
    QLabel* values_[6] = {};
    QLabel* labels_[6] = {};
    QWidget* actionsGroup_ = nullptr;
    QWidget* picture_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* action_ = nullptr;
    QPushButton* fullscreen_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
};
