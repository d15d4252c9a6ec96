#pragma once

#include <QDialog>

#include "viewer-plugin/about/AboutDialog.h"

class QTabBar;
class QVBoxLayout;

// The options dialog. Controls are named by their ids: OK "1", "Homepage..." "204",
// "FeedBack..." "205", the tabs "206"; on the pages, the text "203", the radios "209" to
// "211", "213" and "216" and the size list "214". Pages are made when their tab is chosen
// and go when another is.
class CAboutDlg final : public QDialog {
public:
    explicit CAboutDlg(const AboutDialogRequest& request, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QTabBar* Tabs() const { return tabs_; }
    QWidget* Page() const { return page_; }

    void done(int result) override;

private:
    enum class PageKind { About, Fullscreen, Advanced };

    void ShowPage(int index);
    QWidget* MakeTextPage(const std::string& text);
    QWidget* MakeFullscreenPage();
    void Centre();
    void Write(int ViewerOptions::*field, int value);

    AboutDialogRequest request_;
    std::vector<PageKind> kinds_;
    QTabBar* tabs_ = nullptr;
    QVBoxLayout* pageArea_ = nullptr;
    QWidget* page_ = nullptr;
};
