#pragma once

#include <functional>

#include <QDialog>
#include <QPointer>
#include <QString>

class QWidget;

namespace testing_support {

// Works a dialog as a user would, finding its controls by their ids (object names).
class DialogDriver {
public:
    explicit DialogDriver(QDialog* dialog) : dialog_(dialog) {}

    QDialog* dialog() const { return dialog_; }
    // Null when the dialog has no such control.
    QWidget* Control(int id) const;
    // The text a label, an edit, a button or a combo box shows.
    QString Text(int id) const;
    // Types into an edit or a spin box, or picks the combo box item with the text.
    void SetText(int id, const QString& text);
    void SetChecked(int id, bool checked);
    // Clicks a button (1 OK, 2 Cancel, ...).
    void Press(int id);

private:
    QPointer<QDialog> dialog_;
};

// Runs `drive` on the next modal dialog that opens, from inside that dialog's event loop,
// so a test can start whatever opens it and have it answered. When no dialog opens within
// `timeoutMs`, `drive` is dropped and `*timedOut` (when given) is set.
void DriveNextDialog(std::function<void(DialogDriver&)> drive, int timeoutMs = 30000,
                     bool* timedOut = nullptr);

}  // namespace testing_support
