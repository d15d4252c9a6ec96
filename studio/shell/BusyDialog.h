#pragma once

#include <QDialog>

#include "studio/core/Progress.h"

class QLabel;
class QProgressBar;

// The modeless "Please wait..." window that long operations keep current: two lines of
// text and a progress bar. One instance at a time, reached through GetBusyDialog.
class BusyDialog final : public QDialog, public Progress {
public:
    explicit BusyDialog(QWidget* parent = nullptr);

    void SetTexts(const char* first, const char* second) override;
    void Step(int position, const char* first, const char* second) override;
    void SetRange(int minimum, int maximum) override;
    void StepIt() override;

private:
    // The operation runs on this thread and keeps it busy, so each change is painted at
    // once rather than queued.
    void Refresh();

    QLabel* first_;
    QLabel* second_;
    QProgressBar* bar_;
    int counter_ = 0;
};

// The parent that the busy dialog is given when it is made (the main window).
void SetBusyDialogParent(QWidget* parent);
// The busy dialog, made and shown at first use.
BusyDialog* GetBusyDialog();
// Destroys the busy dialog when there is one.
void CloseBusyDialog();
// Makes GetProgress reach the busy dialog.
void UseBusyDialogForProgress();
