#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "studio/projects/Vantelifier.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/panes/InfoFacts.h"

class BrowserControl;
class FileSelection;
class FileView;
class FolderWatcher;
class InfoExtraSheet;
class InfoGallerySheet;
class InfoImageSheet;
class InfoVantelifySheet;
class KivoSheet;
class QFrame;
class QMimeData;
class QTabBar;
class VanteloView;
struct GalleryImage;

// The info pane (bottom left): tab 0 "Info" with the facts and actions of the shown file,
// and tab 1, while a project is open, with the project's sheet. It keeps what the viewer
// pane shows, takes file lists dropped on it, and writes the page script of converted pages.
//
// Each kind of project reaches its sheet through the branches in InfoView<Kind>.cpp; the
// rest of the pane only dispatches on the shown sheet.
class InfoView final : public QWidget, public CommandTarget, public PageScriptWriter {
public:
    // The shown sheet, and the kind of tab 1.
    enum Sheet : int {
        kSheetNone = 0,
        kSheetImage = 1,
        kSheetAnimation = 2,
        kSheetGallery = 3,
        kSheetPage = 4
    };
    static constexpr int kTabControlId = 1018;
    using BrowserMaker = std::function<std::unique_ptr<BrowserControl>(QWidget* parent)>;

    explicit InfoView(QWidget* parent = nullptr);
    ~InfoView() override;

    // The frame's wiring, before OnInitialUpdate. The pane also tells the viewer pane to
    // report its page loads and positions here. An empty maker makes the real browser.
    void SetViews(VanteloView* viewerView, FileView* fileView, FileSelection* selection);
    void SetBrowserMaker(BrowserMaker maker) { browserMaker_ = std::move(maker); }
    // Makes the sheets, hands them to the command factory and shows the "Info" tab; once.
    void OnInitialUpdate();

    // ---- Tabs
    void SetMode(int kind);
    void ShowTab(bool refresh);
    void ShowAnimationTab();
    void ShowGalleryTab();
    void ShowPageTab();
    void CloseGallery();
    // Adds the selection's files to the gallery before the picture `before` (at the end
    // when empty) and rebuilds the gallery sheet; RefreshGallery adds them at the end.
    void UpdateGallery(const std::string& before, const FileSelection& selection);
    void RefreshGallery(const FileSelection& selection) { UpdateGallery("", selection); }
    void CloseAnimation();
    void ClosePage();
    int GetShownSheet() const { return shownSheet_; }
    int GetModeTab() const { return modeTab_; }
    QTabBar* GetTabBar() const { return tabs_; }

    // ---- The shown file
    // `image` may be null: nothing is known of the file.
    void ShowFile(const std::string& path, const GalleryImage* image);
    void ShowPage(const std::string& path, const std::string& displayName);
    // `index` counts from 0.
    void ShowGalleryImage(int index);
    void ShowNextGalleryImage();
    void ShowPreviousGalleryImage();
    bool IsGalleryImageShown() const { return galleryImage_; }
    void SetGalleryImageShown(bool shown) { galleryImage_ = shown; }
    int GetGalleryIndex() const { return galleryIndex_; }
    // The name the pane shows ("Gallery://..." for a gallery picture), not the path.
    const std::string& GetShownFileName() const { return shownName_; }
    const std::string& GetShownFilePath() const { return shownPath_; }
    const std::string& GetPageName() const { return pageName_; }
    std::string GetViewerFileName() const;
    const InfoTexts& GetTexts() const { return texts_; }

    // ---- Reports of the viewer pane
    void SetPositionTexts(float x, float y, float z);
    // No view to tell of: the shown picture failed to load.
    void ClearPositionTexts();
    void OnPageLoaded();
    void RefreshAfterPreferences();

    // ---- Start-up
    void ShowBanner();
    void ShowStartImage();

    // Expands the data folder's page script template into `folder` (ending in '/').
    bool WriteVanteloScript(const std::string& folder) override;

    VanteloView* GetViewerView() const { return viewerView_; }
    FileView* GetFileView() const { return fileView_; }
    FileSelection* GetSelection() const { return selection_; }
    InfoImageSheet* GetImageSheet() const { return imageSheet_; }
    InfoExtraSheet* GetAnimationSheet() const { return animationSheet_; }
    InfoGallerySheet* GetGallerySheet() const { return gallerySheet_; }
    InfoVantelifySheet* GetPageSheet() const { return pageSheet_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The drop answer at a point of the pane; a drag over another tab selects it.
    int DragOver(const QMimeData* mime, Qt::KeyboardModifiers keys, const QPoint& point);
    // The sheet window and its drop interface of a kind; null for a sheet not made.
    QWidget* SheetWindow(int kind) const;
    KivoSheet* SheetOf(int kind) const;
    // Puts the shown sheet in the tab's display area.
    void PlaceSheet();
    void UpdateTexts();
    // Watches the folder of the file whose facts are shown, so that a change to the file by
    // anyone, this studio or another program, shows without the user asking.
    void FollowShownFile(const std::string& path);
    void OnShownFolderChanged();
    void DeleteModeTab();
    // Takes tab 1 away and selects "Info".
    void CloseModeTab();
    // Selects a tab without the notice a user's choice gives.
    void SelectTab(int index);
    // Records a made sheet: its window is placed and shown by the pane, its drop interface
    // asked about drags.
    void AdoptSheet(int kind, QWidget* window, KivoSheet* drops);

    // ---- The branches of each kind of project (InfoViewAnimation.cpp, InfoViewGallery.cpp,
    // InfoViewPage.cpp): making the sheet, showing it, a loaded page, new preferences and
    // closing.
    void CreateAnimationSheet();
    void CreateGallerySheet();
    void CreatePageSheet();
    void ShowAnimationSheet(bool refresh);
    void ShowGallerySheet(bool refresh);
    void ShowPageSheet(bool refresh);
    void AnimationPageLoaded();
    void PagePageLoaded();
    void RefreshAnimationSheet();
    void RefreshGallerySheet();
    void BeforeShowPageTab();
    void AfterShowGalleryTab();
    void CloseGallerySheet();
    void ClosePageSheet();

    QTabBar* tabs_ = nullptr;
    QFrame* display_ = nullptr;
    InfoImageSheet* imageSheet_ = nullptr;
    InfoExtraSheet* animationSheet_ = nullptr;
    InfoGallerySheet* gallerySheet_ = nullptr;
    InfoVantelifySheet* pageSheet_ = nullptr;
    // The sheets as windows and as drop targets, by kind; filled by the Create functions.
    QWidget* sheetWindows_[5] = {};
    KivoSheet* sheetDrops_[5] = {};
    int shownSheet_ = kSheetNone;
    int modeTab_ = kSheetNone;

    std::string shownPath_;
    std::string shownName_;
    std::string pageName_;
    InfoTexts texts_;
    // The file whose facts are shown and what its facts were read from: the facts are read
    // again only when the file itself changed, not for every change in its folder.
    struct FileStamp {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long modified = 0, changed = 0;
        bool operator==(const FileStamp&) const = default;
        static FileStamp Of(const std::string& path);
    };
    std::string followedFile_;
    FileStamp followedStamp_;
    std::string watchedFolder_;
    std::atomic<bool> changePending_{false};
    std::unique_ptr<FolderWatcher> watcher_;
    bool galleryImage_ = false;
    int galleryIndex_ = 0;

    VanteloView* viewerView_ = nullptr;
    FileView* fileView_ = nullptr;
    FileSelection* selection_ = nullptr;
    BrowserMaker browserMaker_;
    bool initialised_ = false;
};
