#include "studio/shell/app/MainFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QStatusBar>
#include <QUrl>

#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "platform/window/Desktop.h"
#include "platform/window/ShellOpen.h"
#include "studio/core/DataFolder.h"
#include "studio/core/FileSelection.h"
#include "studio/core/Progress.h"
#include "studio/projects/WorkingFolder.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/SplashDlg.h"
#include "studio/shell/app/DiskSpace.h"
#include "studio/shell/app/FrameSplitter.h"
#include "studio/shell/app/StatusIndicators.h"
#include "studio/shell/app/StudioIcon.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/MenuActions.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/commands/PaneFocus.h"
#include "studio/shell/commands/ShortcutKeys.h"
#include "studio/shell/commands/StatusPrompt.h"
#include "studio/shell/commands/StringTable.h"
#include "studio/shell/commands/StudioCommands.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/tree/DriveView.h"
#include "studio/shell/viewer/RedrawLock.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

// Ids the frame runs and enables by their command objects.
constexpr int kCommandObjectIds[] = {
    kGalleryNew,     kGalleryRemove,      kGalleryUp,          kGalleryDown,
    kGallerySave,    kGalleryConfigure,   kGalleryClose,       kVantelifyNew,
    kVantelifySave,  kVantelifyClose,     kAnimationNew,       kAnimationSave,
    kAnimationClose, kAnimationPosAdd,    kAnimationPosDelete, kAnimationPosChange,
    kAnimationPosGo, kAnimationPosInsert, kAnimationExport,    kAnimationPosRename,
    kViewFullscreen, kGalleryRemoveAll,   kFileProperties,     kGalleryHome,
};

constexpr const char* kExitCaption = "Exit Vistrel 2";

QString StudioString(int id) {
    const std::string_view text = GetStudioString(id);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The open project's command of three, looked up gallery first, then animation, then page
// project; 0 when none is open.
int ProjectCommand(int galleryId, int animationId, int pageId) {
    if (CurrentGallery() != nullptr) return galleryId;
    if (CurrentAnimation() != nullptr) return animationId;
    if (CurrentVantelifier() != nullptr) return pageId;
    return 0;
}

}  // namespace

bool OpenDataPage(const std::string& relative, const std::string& query) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(FindDataFile(relative)));
    if (!query.empty()) url.setQuery(QString::fromStdString(query));
    return platform::ShellOpen(url.toString(QUrl::FullyEncoded).toStdString());
}

void CMainFrame::ShowDataPage(const std::string& relative, const std::string& query) {
    if (OpenDataPage(relative, query)) return;
    // With no browser to start, the user would otherwise wait for a page that never comes.
    platform::ShowMessage(this,
                          platform::FormatC("The page %s could not be shown: no web browser "
                                            "could be started.",
                                            FindDataFile(relative).c_str()),
                          "", platform::MessageButtons::Ok, platform::MessageIcon::Warning);
}

CMainFrame::CMainFrame(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)),
      factory_(std::make_unique<CommandFactory>()),
      selection_(std::make_unique<FileSelection>()) {
    SetCommandFactory(factory_.get());
    RegisterStudioCommands(*factory_);
    router_.SetFrame(this);
    menuActions_ = std::make_unique<MenuActions>(router_);
    MapCommands();
}

CMainFrame::~CMainFrame() {
    SetRedrawLockWindow(nullptr);
    splash_.reset();
    shortcuts_.reset();
    paneFocus_.reset();
    // The panes go first: their workers may still reach the projects and the selection.
    delete splitter_;
    splitter_ = nullptr;
    driveView_ = nullptr;
    fileView_ = nullptr;
    infoView_ = nullptr;
    vanteloView_ = nullptr;
    CloseOpenProjects();
    if (GetCommandFactory() == factory_.get()) SetCommandFactory(nullptr);
    factory_.reset();
    selection_.reset();
}

bool CMainFrame::Create() {
    return OnCreate() && OnCreateClient();
}

bool CMainFrame::OnCreate() {
    // The working folders of exports and previews grow in the temporary folder.
    WarnWhenDiskLow(FreeBytesAt(WorkingFolder::TemporaryFolder()));

    SetDataFolder(dataFolder_.empty()
                      ? FindDataFolder(QCoreApplication::applicationDirPath().toStdString())
                      : dataFolder_);
    splash_ = std::make_unique<SplashDlg>(GetDataFolder());

    setWindowTitle(StudioString(kTitleString));
    setWindowIcon(StudioIcon());
    const Rect desktop = platform::GetDesktopRect();
    setGeometry(0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top);
    CreateStatusBar(this);
    ShowReadyWhenIdle(this);
    shortcuts_ = std::make_unique<ShortcutKeys>(this, router_);
    SetRedrawLockWindow(this);
    return true;
}

bool CMainFrame::OnCreateClient() {
    splitter_ = new FrameSplitter(this);
    setCentralWidget(splitter_);
    driveView_ = new DriveView;
    fileView_ = new FileView;
    infoView_ = new InfoView;
    vanteloView_ = new VanteloView(paneControls_);
    splitter_->SetPane(0, 0, driveView_);
    splitter_->SetPane(0, 1, fileView_);
    splitter_->SetPane(1, 0, infoView_);
    splitter_->SetPane(1, 1, vanteloView_);

    // F6 visits the panes row by row.
    paneFocus_ = std::make_unique<PaneFocus>(router_);
    paneFocus_->AddPane(driveView_, driveView_);
    paneFocus_->AddPane(fileView_, fileView_);
    paneFocus_->AddPane(infoView_, infoView_);
    paneFocus_->AddPane(vanteloView_, vanteloView_);
    router_.SetActivePane(0);
    driveView_->setFocus();

    const Rect area = platform::GetWorkArea();
    savedRowHeight_ = StartRowHeight(area.bottom);
    splitter_->SetRowHeight(savedRowHeight_);
    savedColumnWidth_ = StartColumnWidth(area.right);
    splitter_->SetColumnWidth(savedColumnWidth_);

    factory_->SetViews(this, driveView_, fileView_, infoView_, vanteloView_, selection_.get());
    infoView_->SetViews(vanteloView_, fileView_, selection_.get());
    infoView_->SetBrowserMaker(paneControls_.makeBrowser);
    infoView_->OnInitialUpdate();
    fileView_->SetSelection(selection_.get());
    fileView_->SetTree(driveView_);
    driveView_->SetFileView(fileView_);
    driveView_->SetSelection(selection_.get());
    driveView_->OnInitialUpdate();
    // The studio opens on the folder it was started in, shown in the tree and the list.
    driveView_->ShowStartFolder(PidlPath(QDir::currentPath().toStdString()));
    SetModeMenu();
    return true;
}

void CMainFrame::SetModeMenu() {
    if (CurrentGallery() != nullptr) {
        mode_ = 1;
    } else if (CurrentAnimation() != nullptr) {
        mode_ = 2;
    } else if (CurrentVantelifier() != nullptr) {
        mode_ = 3;
    } else {
        mode_ = 0;
    }
    menuActions_->FillMenuBar(menuBar(), kMenuNoProject + mode_);
}

void CMainFrame::CloseSplash() {
    splash_.reset();
}

void CMainFrame::MapCommands() {
    for (int id : kCommandObjectIds) MapCommandObject(id);
    // The list's selection may have moved on since it was last reported.
    MapCommandObject(kAnimationOpen, [this] {
        if (fileView_ != nullptr) fileView_->UpdateSelection();
    });
    // New thumbnail settings show only in a list made afresh; the watcher rests meanwhile.
    Map(kEditPreferences, [this] {
        if (fileView_ != nullptr) fileView_->StopWatcher();
        ExecuteCommand(kEditPreferences);
        if (fileView_ == nullptr) return;
        fileView_->StartWatcher();
        fileView_->Reload();
    });

    Map(
        kShowFileviews, [this] { ToggleRow(); },
        [this](CmdUI& ui) { ui.SetCheck(splitter_ != nullptr && splitter_->GetRowHeight() != 0); });
    Map(
        kShowInfoviews, [this] { ToggleColumn(); },
        [this](CmdUI& ui) {
            ui.SetCheck(splitter_ != nullptr && splitter_->GetColumnWidth() != 0);
        });
    Map(
        kStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); },
        [this](CmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); });

    MapProjectRoute(kClose, kGalleryClose, kAnimationClose, kVantelifyClose);
    MapProjectRoute(kSave, kGallerySave, kAnimationSave, kVantelifySave);

    Map(kHelpContents, [this] { OpenHelp(); });
    // There is no maker's site: a page of ours says where the project lives.
    Map(kWebSite, [this] { ShowDataPage("help/project.htm"); });
    Map(kExit, [this] { close(); });
    Map(kNextGalleryImage, [this] {
        if (infoView_ != nullptr) infoView_->ShowNextGalleryImage();
    });
    Map(kPreviousGalleryImage, [this] {
        if (infoView_ != nullptr) infoView_->ShowPreviousGalleryImage();
    });
    // The main menu offers the list's own commands for the list's selection whichever pane
    // holds the focus, as the list's context menu does.
    for (int id : {kFileEdit, kFileInfoProperties, kFileRepresent, kFileDerepresent,
                   kGalleryAddFiles, kAnimationLoadImage, kAnimationDelete, kVantelifySetFile}) {
        MapCommandObject(id, [this] {
            if (fileView_ != nullptr) fileView_->UpdateSelection();
        });
    }
    // Viewing takes one item, and there must be one.
    Map(
        kFileOpen,
        [this] {
            if (fileView_ == nullptr) return;
            fileView_->UpdateSelection();
            if (selection_->GetItemCount() == 1) ExecuteCommand(kFileOpen);
        },
        [this](CmdUI& ui) {
            if (fileView_ != nullptr) fileView_->UpdateSelection();
            ui.Enable(fileView_ != nullptr && selection_->GetItemCount() == 1 &&
                      IsCommandEnabled(kFileOpen));
        });
    // The list's selection and folder commands work whichever pane is active.
    Map(kSelectAll, [this] { fileView_->SelectAll(); });
    Map(kSelectAllImages, [this] { fileView_->SelectImages(); });
    Map(
        kNewFolder, [this] { fileView_->CreateFolder(); },
        [this](CmdUI& ui) { ui.Enable(!fileView_->GetFolderText().empty()); });
    for (int id : {kRefresh, kRefreshKey}) {
        Map(id, [this] {
            driveView_->Refresh();
            fileView_->Refresh();
        });
    }
}

void CMainFrame::MapProjectRoute(int id, int galleryId, int animationId, int pageId) {
    Map(
        id,
        [=] {
            if (const int chosen = ProjectCommand(galleryId, animationId, pageId)) {
                ExecuteCommand(chosen);
            }
        },
        [=](CmdUI& ui) {
            const int chosen = ProjectCommand(galleryId, animationId, pageId);
            ui.Enable(chosen != 0 && IsCommandEnabled(chosen));
        });
}

void CMainFrame::ToggleRow() {
    splitter_->SetRowHeight(splitter_->GetRowHeight() <= 0 ? savedRowHeight_ : 0);
}

void CMainFrame::ToggleColumn() {
    splitter_->SetColumnWidth(splitter_->GetColumnWidth() <= 0 ? savedColumnWidth_ : 0);
}

void CMainFrame::OpenHelp() {
    std::string section;
    if (CurrentGallery() != nullptr) {
        section = "gallery";
    } else if (CurrentAnimation() != nullptr) {
        section = "animation";
    } else if (CurrentVantelifier() != nullptr) {
        section = "vantelifier";
    }
    ShowDataPage("help/index.htm", section);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (QueryClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool CMainFrame::QueryClose() {
    // A long operation holds a project: the studio does not end under it.
    if (LongOperationRunning()) return false;
    // The page project is asked about before the animation here, unlike Close and Save.
    int save = 0;
    const char* text = nullptr;
    if (CurrentGallery() != nullptr) {
        save = kGallerySave;
        text =
            "You have not exported your gallery\nDo you want to export the gallery before "
            "Vistrel 2 Exits?";
    } else if (CurrentVantelifier() != nullptr) {
        save = kVantelifySave;
        text =
            "You have not saved your Vantelified page\nDo you want to save before Vistrel 2 "
            "Exits?";
    } else if (CurrentAnimation() != nullptr) {
        save = kAnimationSave;
        text = "You have not saved your Animation\nDo you want to save before Vistrel 2 Exits?";
    } else {
        return true;
    }
    if (!IsCommandEnabled(save)) return true;
    switch (
        platform::ShowMessage(this, text, kExitCaption, platform::MessageButtons::YesNoCancel)) {
        case platform::PromptAnswer::Yes:
            // A save that failed keeps the work, and the window with it; a save the user
            // cancelled (its dialog) still closes.
            return ExecuteCommand(save);
        case platform::PromptAnswer::No:
            return true;
        default:
            return false;
    }
}
