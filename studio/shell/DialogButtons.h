#pragma once

class QBoxLayout;
class QDialog;
class QPushButton;

struct OkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// The "OK" (id 1, the default) and "Cancel" (id 2) pair closing `layout`, flush right.
// Cancel rejects the dialog; what OK does is the dialog's own.
OkCancelButtons AddOkCancel(QDialog& dialog, QBoxLayout& layout);
