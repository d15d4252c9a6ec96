#include "studio/shell/ShellDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>

#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/RenameDlg.h"

namespace {

class ProgressDialogView final : public CopyProgressView {
public:
    ProgressDialogView(QWidget* owner, const std::string& title)
        : dialog_(QString::fromStdString(title), "Cancel", 0, kSteps, owner) {
        dialog_.setWindowTitle(QString::fromStdString(title));
        // Modal to the whole studio: once shown it takes every click and key, so nothing
        // but its Cancel acts while the copy runs.
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setMinimumDuration(500);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
    }

    bool Update(std::uint64_t done, std::uint64_t total, const std::string& current) override {
        const int value = total == 0 ? kSteps : static_cast<int>(done * kSteps / total);
        dialog_.setLabelText(QString::fromStdString(current));
        dialog_.setValue(value);
        // The user's Cancel arrives through the event loop. Until the dialog shows, and
        // with it its modality, the user's input waits in the queue: it would otherwise
        // reach the main window in the middle of the copy.
        QCoreApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
        return !dialog_.wasCanceled();
    }

private:
    static constexpr int kSteps = 1000;
    // What the copy belongs to stays put while the loop runs under it.
    LongOperation operation_;
    QProgressDialog dialog_;
};

}  // namespace

void InstallShellDialogs(QWidget* owner) {
    QPointer<QWidget> parent(owner);
    SetRenameQuestion([parent](const std::string& existing, const std::string& proposed) {
        RenameDlg dialog(parent.data());
        dialog.SetNames(existing, proposed);
        RenameChoice choice;
        if (dialog.exec() != QDialog::Accepted) return choice;
        if (dialog.AutoRename()) {
            choice.kind = RenameChoice::AutoRename;
            choice.all = dialog.AutoRenameAll();
        } else if (dialog.Overwrite()) {
            choice.kind = RenameChoice::Overwrite;
            choice.all = dialog.OverwriteAll();
        } else {
            choice.kind = RenameChoice::UseName;
            choice.name = dialog.GetNewName();
        }
        return choice;
    });
    SetCopyProgressFactory([parent](QWidget* requested, const std::string& title) {
        return std::unique_ptr<CopyProgressView>(
            new ProgressDialogView(requested != nullptr ? requested : parent.data(), title));
    });
}

void SetWrappedWindowText(QWidget* window, const std::string& text) {
    if (window == nullptr) return;
    const QFontMetrics metrics(window->font());
    const int width = window->contentsRect().width();
    const QString wrapped =
        QString::fromStdString(WrapTextToWidth(text, width, [&metrics](std::string_view line) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        }));
    if (auto* label = qobject_cast<QLabel*>(window)) {
        label->setText(wrapped);
    } else if (auto* button = qobject_cast<QAbstractButton*>(window)) {
        button->setText(wrapped);
    } else {
        window->setWindowTitle(wrapped);
    }
}
