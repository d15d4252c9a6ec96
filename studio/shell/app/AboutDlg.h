#pragma once

#include <QDialog>

// The About box (dialog 100): the version line (control 1195), an empty line (1196) and
// the credit of the picture codec in use (1249).
class CAboutDlg final : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The texts the box shows.
extern const char* const kVersionLine;
extern const char* const kCodecCredit;
