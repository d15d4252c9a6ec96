#include "studio/shell/panes/InfoView.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QPointer>
#include <QSignalBlocker>
#include <QTabBar>

#include "platform/text/Text.h"
#include "studio/core/GalleryImage.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FolderWatcher.h"
#include "studio/shell/fileview/PostedEvents.h"
#include "studio/shell/panes/InfoImageSheet.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

constexpr char kBlankPage[] = "about:blank";
constexpr char kBannerPicture[] = "AppData/Banners/banner.png";
// The sheet keeps this much of the tab's panel free around it.
constexpr int kSheetMargin = 2;

const char* ModeTabText(int kind) {
    switch (kind) {
        case InfoView::kSheetAnimation:
            return "Animation";
        case InfoView::kSheetGallery:
            return "Gallery";
        case InfoView::kSheetPage:
            return "Vantelify";
        default:
            return "Info";
    }
}

const QEvent::Type kShownFolderChangedEvent =
    static_cast<QEvent::Type>(QEvent::registerEventType());

Qt::DropAction ToDropAction(int effect) {
    return effect == KivoSheet::kDropMove ? Qt::MoveAction : Qt::CopyAction;
}

}  // namespace

InfoView::InfoView(QWidget* parent) : QWidget(parent) {
    setObjectName("InfoView");
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QString::number(kTabControlId));
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    display_ = new QFrame(this);
    display_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    // A tab the user picks; the pane's own selections block the signal and show the tab
    // themselves.
    connect(tabs_, &QTabBar::currentChanged, this, [this] { ShowTab(true); });
    Map(kStopPage, [this] {
        if (viewerView_ != nullptr) viewerView_->StopPage();
    });
    watcher_ = std::make_unique<FolderWatcher>(
        changePending_, [this] { PostToView(this, new QEvent(kShownFolderChangedEvent)); });
}

InfoView::~InfoView() {
    // Its thread posts to this pane.
    watcher_.reset();
    for (int kind : {kSheetImage, kSheetGallery, kSheetAnimation, kSheetPage}) {
        delete sheetWindows_[kind];
        sheetWindows_[kind] = nullptr;
        sheetDrops_[kind] = nullptr;
    }
    imageSheet_ = nullptr;
    animationSheet_ = nullptr;
    gallerySheet_ = nullptr;
    pageSheet_ = nullptr;
}

void InfoView::SetViews(VanteloView* viewerView, FileView* fileView, FileSelection* selection) {
    viewerView_ = viewerView;
    fileView_ = fileView;
    selection_ = selection;
    if (imageSheet_ != nullptr) imageSheet_->SetSelection(selection);
    if (viewerView_ != nullptr) {
        // The panes go in no fixed order when the frame does.
        const QPointer<InfoView> self(this);
        viewerView_->SetPageLoadedHandler([self] {
            if (self != nullptr) self->OnPageLoaded();
        });
        viewerView_->SetPositionHandler(
            [self](float x, float y, float z) {
                if (self != nullptr) self->SetPositionTexts(x, y, z);
            },
            [self] {
                if (self != nullptr) self->ClearPositionTexts();
            });
    }
}

void InfoView::OnInitialUpdate() {
    if (initialised_) return;
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->addTab("Info");
        tabs_->setCurrentIndex(0);
    }
    imageSheet_ = new InfoImageSheet(this, browserMaker_, this);
    imageSheet_->SetSelection(selection_);
    AdoptSheet(kSheetImage, imageSheet_, imageSheet_);
    CreateAnimationSheet();
    CreateGallerySheet();
    CreatePageSheet();
    if (CommandFactory* factory = GetCommandFactory()) {
        factory->SetSheets(imageSheet_, animationSheet_, gallerySheet_, pageSheet_);
    }
    ShowTab(true);
    setAcceptDrops(true);
    initialised_ = true;
}

void InfoView::AdoptSheet(int kind, QWidget* window, KivoSheet* drops) {
    sheetWindows_[kind] = window;
    sheetDrops_[kind] = drops;
    if (window != nullptr) {
        window->hide();
        window->setEnabled(false);
    }
}

QWidget* InfoView::SheetWindow(int kind) const {
    return kind > kSheetNone && kind <= kSheetPage ? sheetWindows_[kind] : nullptr;
}

KivoSheet* InfoView::SheetOf(int kind) const {
    return kind > kSheetNone && kind <= kSheetPage ? sheetDrops_[kind] : nullptr;
}

// ---- Tabs

void InfoView::SetMode(int kind) {
    const QSignalBlocker quiet(tabs_);
    tabs_->insertTab(1, ModeTabText(kind));
    modeTab_ = kind;
}

void InfoView::DeleteModeTab() {
    const QSignalBlocker quiet(tabs_);
    while (tabs_->count() > 1) tabs_->removeTab(1);
}

void InfoView::SelectTab(int index) {
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(index);
}

void InfoView::ShowTab(bool refresh) {
    for (QWidget* window : sheetWindows_) {
        if (window == nullptr) continue;
        window->hide();
        window->setEnabled(false);
    }
    shownSheet_ = tabs_->currentIndex() <= 0 ? kSheetImage : modeTab_;
    if (QWidget* window = SheetWindow(shownSheet_)) {
        PlaceSheet();
        window->show();
        window->raise();
        window->setEnabled(true);
    }
    if (shownSheet_ == kSheetImage) {
        UpdateTexts();
        if (viewerView_ == nullptr) return;
        if (pageName_.size() > 1) {
            viewerView_->SetShownControl(1);
            viewerView_->Navigate(pageName_);
        } else {
            // The picture comes back in the viewer control once the blank page is in.
            viewerView_->Navigate(kBlankPage);
        }
        return;
    }
    if (viewerView_ != nullptr) viewerView_->SetShownControl(1);
    switch (shownSheet_) {
        case kSheetAnimation:
            ShowAnimationSheet(refresh);
            break;
        case kSheetGallery:
            ShowGallerySheet(refresh);
            break;
        case kSheetPage:
            ShowPageSheet(refresh);
            break;
        default:
            break;
    }
}

void InfoView::ShowAnimationTab() {
    DeleteModeTab();
    SetMode(kSheetAnimation);
    SelectTab(1);
    ShowTab(true);
}

void InfoView::ShowGalleryTab() {
    DeleteModeTab();
    SetMode(kSheetGallery);
    SelectTab(1);
    ShowTab(true);
    AfterShowGalleryTab();
}

void InfoView::ShowPageTab() {
    BeforeShowPageTab();
    DeleteModeTab();
    SetMode(kSheetPage);
    SelectTab(1);
    ShowTab(true);
}

void InfoView::CloseModeTab() {
    DeleteModeTab();
    SelectTab(0);
    // Forgotten, or new preferences would bring back the tab of a project that is closed.
    modeTab_ = kSheetNone;
}

void InfoView::CloseGallery() {
    CloseModeTab();
    CloseGallerySheet();
    SetCurrentGallery(nullptr);
    ShowTab(true);
}

void InfoView::CloseAnimation() {
    CloseModeTab();
    ShowTab(true);
}

void InfoView::ClosePage() {
    CloseModeTab();
    ClosePageSheet();
    ShowTab(true);
}

void InfoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int tabHeight = tabs_->sizeHint().height();
    tabs_->setGeometry(0, 0, width(), tabHeight);
    display_->setGeometry(0, tabHeight - 1, width(), std::max(0, height() - tabHeight + 1));
    PlaceSheet();
    if (QWidget* window = SheetWindow(shownSheet_)) window->update();
}

void InfoView::PlaceSheet() {
    QWidget* window = SheetWindow(shownSheet_);
    if (window == nullptr) return;
    const QRect area =
        display_->geometry().adjusted(kSheetMargin, kSheetMargin, -kSheetMargin, -kSheetMargin);
    window->setGeometry(area);
}

// ---- The shown file

void InfoView::ShowFile(const std::string& path, const GalleryImage* image) {
    // The view of another picture is not this one's: the viewer reports the new one.
    const bool otherPicture = GetViewerFileName() != path;
    if (tabs_->currentIndex() == 1) {
        SelectTab(0);
        ShowTab(true);
    } else if (viewerView_ != nullptr) {
        viewerView_->ShowImage(path.c_str());
    }
    shownPath_ = path;
    shownName_ = path;
    FollowShownFile(path);
    DescribeFacts(GatherFileFacts(path, image), texts_);
    if (otherPicture) {
        texts_.zoom.clear();
        texts_.position.clear();
    }
    if (!pageName_.empty()) {
        if (viewerView_ != nullptr) viewerView_->Navigate(kBlankPage);
        pageName_.clear();
    }
    UpdateTexts();
    if (imageSheet_ != nullptr) imageSheet_->ShowFields(true);
}

void InfoView::ShowPage(const std::string& path, const std::string& displayName) {
    if (viewerView_ == nullptr || path.empty()) return;
    pageName_ = path;
    viewerView_->SetShownControl(1);
    viewerView_->Navigate(path);
    shownPath_ = displayName;
    shownName_ = displayName;
    FollowShownFile(path);
    FileFacts facts;
    facts.fileSize = static_cast<std::int64_t>(GetFileSize(path));
    facts.imageBytes = facts.fileSize;
    DescribeFacts(facts, texts_);
    UpdateTexts();
    if (imageSheet_ != nullptr) imageSheet_->ShowFields(false);
}

void InfoView::ShowGalleryImage(int index) {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    const GalleryImage* image = gallery->GetImage(index + 1);
    if (image == nullptr) return;
    galleryImage_ = true;
    galleryIndex_ = index;
    // Copied: showing the file may reach code that changes the gallery's list.
    const GalleryImage record = *image;
    ShowFile(gallery->GetWorkingFolder() + record.fileName, &record);
    shownName_ = "Gallery://" + record.fileName;
    UpdateTexts();
    if (imageSheet_ != nullptr) imageSheet_->ShowFields(true);
}

void InfoView::ShowNextGalleryImage() {
    Gallery* gallery = CurrentGallery();
    if (gallery != nullptr && galleryIndex_ + 1 < gallery->GetImageCount()) {
        ShowGalleryImage(galleryIndex_ + 1);
    }
}

void InfoView::ShowPreviousGalleryImage() {
    if (CurrentGallery() != nullptr && galleryIndex_ - 1 >= 0) ShowGalleryImage(galleryIndex_ - 1);
}

std::string InfoView::GetViewerFileName() const {
    return viewerView_ != nullptr ? viewerView_->GetViewerFileName() : std::string();
}

InfoView::FileStamp InfoView::FileStamp::Of(const std::string& path) {
    FileStamp stamp;
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return stamp;
    stamp.exists = true;
    stamp.device = facts.st_dev;
    stamp.inode = facts.st_ino;
    stamp.size = static_cast<unsigned long long>(facts.st_size);
    // A writer may keep the modification time; the change time it cannot.
    stamp.modified = facts.st_mtim.tv_sec * 1000000000LL + facts.st_mtim.tv_nsec;
    stamp.changed = facts.st_ctim.tv_sec * 1000000000LL + facts.st_ctim.tv_nsec;
    return stamp;
}

void InfoView::FollowShownFile(const std::string& path) {
    followedFile_ = path;
    followedStamp_ = FileStamp::Of(path);
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (folder == watchedFolder_ && (folder.empty() || watcher_->IsRunning())) return;
    watcher_->Stop();
    watchedFolder_ = folder;
    // A file in no folder that can be watched keeps the facts it was shown with.
    if (!folder.empty()) watcher_->Start(folder);
}

void InfoView::OnShownFolderChanged() {
    // Cleared before the file is read, so that a write after the reading is noticed again.
    changePending_ = false;
    if (followedFile_.empty()) return;
    const FileStamp now = FileStamp::Of(followedFile_);
    if (now == followedStamp_) return;
    followedStamp_ = now;
    FileFacts facts;
    if (!pageName_.empty() && followedFile_ == pageName_) {
        facts.fileSize = static_cast<std::int64_t>(now.size);
        facts.imageBytes = facts.fileSize;
    } else {
        // What the file holds now: its size, and the picture its header describes.
        GalleryImage record;
        record.fileSize = static_cast<std::int64_t>(now.size);
        facts = GatherFileFacts(followedFile_, &record);
    }
    DescribeFacts(facts, texts_);
    UpdateTexts();
}

bool InfoView::event(QEvent* event) {
    if (event->type() == kShownFolderChangedEvent) {
        TakePostedEvent();
        QCoreApplication::removePostedEvents(this, kShownFolderChangedEvent);
        OnShownFolderChanged();
        return true;
    }
    return QWidget::event(event);
}

void InfoView::UpdateTexts() {
    texts_.fileName = shownName_;
    if (imageSheet_ != nullptr && shownSheet_ == kSheetImage) imageSheet_->SetTexts(texts_);
}

// ---- Reports of the viewer pane

void InfoView::SetPositionTexts(float x, float y, float z) {
    // A corner a fraction left of or above the picture rounds to zero, not to "-0".
    const auto whole = [](float v) { return std::nearbyint(static_cast<double>(v)) + 0.0; };
    texts_.zoom = platform::FormatC("%.0f %%", static_cast<double>(z) * 100.0);
    texts_.position = platform::FormatC("[%.0f, %.0f]", whole(x), whole(y));
    UpdateTexts();
}

void InfoView::ClearPositionTexts() {
    texts_.zoom.clear();
    texts_.position.clear();
    UpdateTexts();
}

void InfoView::OnPageLoaded() {
    switch (shownSheet_) {
        case kSheetPage:
            PagePageLoaded();
            break;
        case kSheetAnimation:
            AnimationPageLoaded();
            break;
        case kSheetImage:
            if (pageName_.empty() && viewerView_ != nullptr) {
                viewerView_->SetShownControl(0);
                viewerView_->ShowImage(shownPath_.c_str());
            }
            break;
        default:
            break;
    }
}

void InfoView::RefreshAfterPreferences() {
    if (modeTab_ != shownSheet_) {
        if (modeTab_ == kSheetAnimation) {
            ShowAnimationTab();
        } else if (modeTab_ == kSheetGallery) {
            ShowGalleryTab();
        }
    }
    if (shownSheet_ == kSheetAnimation) {
        RefreshAnimationSheet();
    } else if (shownSheet_ == kSheetGallery) {
        RefreshGallerySheet();
    }
}

// ---- Start-up

void InfoView::ShowBanner() {
    // There is no banner page on the web to ask for, so the one of the data folder shows.
    if (imageSheet_ != nullptr) imageSheet_->ShowBannerPage(FindDataFile(kBannerPicture));
}

void InfoView::ShowStartImage() {
    if (viewerView_ != nullptr) viewerView_->ShowStartImage();
}

// ---- Drag and drop

int InfoView::DragOver(const QMimeData* mime, Qt::KeyboardModifiers keys, const QPoint& point) {
    if (mime == nullptr || !mime->hasFormat(kFileListMimeType)) return KivoSheet::kDropNone;
    const int tab = tabs_->tabAt(tabs_->mapFrom(this, point));
    if (tab >= 0) {
        if (tab != tabs_->currentIndex()) {
            SelectTab(tab);
            ShowTab(true);
        }
        return KivoSheet::kDropNone;
    }
    KivoSheet* sheet = SheetOf(shownSheet_);
    return sheet != nullptr ? sheet->CanDrop(mime, keys, point) : KivoSheet::kDropNone;
}

void InfoView::dragEnterEvent(QDragEnterEvent* event) {
    // Qt reports moves only over a widget that took the drag as it entered.
    if (event->mimeData() != nullptr && event->mimeData()->hasFormat(kFileListMimeType)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void InfoView::dragMoveEvent(QDragMoveEvent* event) {
    const int effect = DragOver(event->mimeData(), event->modifiers(), event->position().toPoint());
    if (effect == KivoSheet::kDropNone) {
        event->ignore();
        return;
    }
    Qt::DropAction action = ToDropAction(effect);
    // A picture dragged within the gallery's list offers only a copy; the sheet's move
    // answer must not make the drag refuse the drop.
    if ((event->possibleActions() & action) == 0) action = event->proposedAction();
    event->setDropAction(action);
    event->accept();
}

void InfoView::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void InfoView::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    KivoSheet* sheet = SheetOf(shownSheet_);
    const QPoint point = event->position().toPoint();
    if (mime == nullptr || !mime->hasFormat(kFileListMimeType) || sheet == nullptr ||
        tabs_->tabAt(tabs_->mapFrom(this, point)) >= 0) {
        event->ignore();
        return;
    }
    const int effect =
        event->dropAction() == Qt::MoveAction ? KivoSheet::kDropMove : KivoSheet::kDropCopy;
    if (sheet->Drop(mime, effect, point)) {
        event->setDropAction(ToDropAction(effect));
        event->accept();
    } else {
        event->ignore();
    }
}
