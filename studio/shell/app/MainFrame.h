#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "studio/shell/commands/CommandRouter.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/viewer/ViewerPaneControls.h"

class CommandFactory;
class DriveView;
class FileSelection;
class FileView;
class FrameSplitter;
class InfoView;
class MenuActions;
class PaneFocus;
class ShortcutKeys;
class SplashDlg;
class VanteloView;

// The studio's one top-level window: the menu of the current project mode, the status bar,
// the 2 x 2 panes, and the splash while the studio starts. It owns the file selection and
// the command factory; most menu ids it only passes on to their command objects.
class CMainFrame final : public QMainWindow, public CommandTarget {
public:
    // `dataFolder`: where the studio's data files lie; empty for the one found beside the
    // program (the studio may be started from any folder).
    explicit CMainFrame(std::string dataFolder = {});
    ~CMainFrame() override;

    // How the viewer pane makes its controls; before Create.
    void SetViewerPaneControls(ViewerPaneControls controls) { paneControls_ = std::move(controls); }

    // Makes the window's contents, as the window is created. False when something could
    // not be made; the frame is then unusable.
    bool Create();

    // Shows the menu of the open project (194 none, 195 gallery, 196 animation, 197 page).
    void SetModeMenu();
    // 0 none, 1 gallery, 2 animation, 3 page project; -1 before the first SetModeMenu.
    int GetMode() const { return mode_; }

    void CloseSplash();
    SplashDlg* GetSplash() const { return splash_.get(); }

    CommandRouter& GetRouter() { return router_; }
    MenuActions& GetMenuActions() { return *menuActions_; }
    FrameSplitter* GetSplitter() const { return splitter_; }
    FileSelection& GetSelection() { return *selection_; }
    DriveView* GetDriveView() const { return driveView_; }
    FileView* GetFileView() const { return fileView_; }
    InfoView* GetInfoView() const { return infoView_; }
    VanteloView* GetVanteloView() const { return vanteloView_; }

    // The heights and widths "Show Fileviews" and "Show Infoviews" bring back.
    int GetSavedRowHeight() const { return savedRowHeight_; }
    int GetSavedColumnWidth() const { return savedColumnWidth_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool OnCreate();
    bool OnCreateClient();
    void MapCommands();
    void MapProjectRoute(int id, int galleryId, int animationId, int pageId);
    void ToggleRow();
    void ToggleColumn();
    void OpenHelp();
    // Opens a page of the data folder in the desktop's browser, or says why it cannot.
    void ShowDataPage(const std::string& relative, const std::string& query = {});
    // True when the window may close: nothing unsaved, or the user chose so.
    bool QueryClose();

    std::string dataFolder_;
    ViewerPaneControls paneControls_;
    std::unique_ptr<CommandFactory> factory_;
    std::unique_ptr<FileSelection> selection_;
    CommandRouter router_;
    std::unique_ptr<MenuActions> menuActions_;
    std::unique_ptr<PaneFocus> paneFocus_;
    std::unique_ptr<ShortcutKeys> shortcuts_;
    std::unique_ptr<SplashDlg> splash_;
    FrameSplitter* splitter_ = nullptr;
    DriveView* driveView_ = nullptr;
    FileView* fileView_ = nullptr;
    InfoView* infoView_ = nullptr;
    VanteloView* vanteloView_ = nullptr;
    int savedColumnWidth_ = 340;
    int savedRowHeight_ = 172;
    int mode_ = -1;
};

// Opens a file of the data folder, with an optional query ("gallery"), in the desktop's
// browser. False when the desktop could not open it.
bool OpenDataPage(const std::string& relative, const std::string& query = {});
