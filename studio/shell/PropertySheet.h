#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QWidget>

class QPushButton;
class QTabWidget;

// One page of a PropertySheet. Init fills the controls from what the page edits when the
// sheet first shows it; Apply writes the controls back when the user confirms (OK, or Apply
// while the page is marked modified). A page never shown is never applied.
class PropertyPage : public QWidget {
public:
    PropertyPage(int id, const std::string& caption);

    const std::string& GetCaption() const { return caption_; }
    bool IsInitialised() const { return initialised_; }
    // Marks the page changed: the sheet's Apply button comes on.
    void SetModified(bool modified = true);
    bool IsModified() const { return modified_; }

    // Called by the sheet.
    void EnsureInitialised();
    virtual void Apply() = 0;

protected:
    virtual void Init() = 0;

private:
    std::string caption_;
    bool initialised_ = false;
    bool modified_ = false;
};

// A tabbed dialog of pages with OK, Cancel and Apply, opened on a chosen page. Control ids:
// 1 OK, 2 Cancel, 12321 Apply, 12320 the tabs.
class PropertySheet : public QDialog {
public:
    PropertySheet(const std::string& caption, QWidget* parent, int startPage = 0);

    // The sheet takes the page.
    void AddPage(PropertyPage* page);
    int GetPageCount() const;
    PropertyPage* GetPage(int index) const;
    PropertyPage* GetActivePage() const;
    // Shows the sheet modally: QDialog::Accepted after OK.
    int DoModal();

    void OnPageModified();

private:
    void ShowPage(int index);
    void ApplyPages();

    QTabWidget* tabs_ = nullptr;
    QPushButton* apply_ = nullptr;
    int startPage_ = 0;
    std::vector<PropertyPage*> pages_;
};
