#include "studio/shell/BusyDialog.h"

#include <algorithm>

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// Step size of StepIt, as the system's progress bars have it.
constexpr int kStepSize = 10;

QPointer<QWidget>& Parent() {
    static QPointer<QWidget> parent;
    return parent;
}

// Cleared by Qt when the dialog goes with its parent.
QPointer<BusyDialog>& Slot() {
    static QPointer<BusyDialog> slot;
    return slot;
}

}  // namespace

BusyDialog::BusyDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("165");
    setWindowTitle("Please wait...");
    setModal(false);
    first_ = new QLabel("Working", this);
    first_->setObjectName("1170");
    second_ = new QLabel(this);
    second_->setObjectName("1172");
    bar_ = new QProgressBar(this);
    bar_->setObjectName("1169");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(first_);
    layout->addWidget(second_);
    layout->addWidget(bar_);
    setMinimumWidth(320);
}

void BusyDialog::SetTexts(const char* first, const char* second) {
    first_->setText(QString::fromUtf8(first != nullptr ? first : ""));
    second_->setText(QString::fromUtf8(second != nullptr ? second : ""));
    Refresh();
}

void BusyDialog::Step(int position, const char* first, const char* second) {
    counter_ = (counter_ + 1) % 3;
    static const char* const captions[] = {"Please wait.", "Please wait..", "Please wait..."};
    setWindowTitle(captions[counter_]);
    if (first != nullptr) first_->setText(QString::fromUtf8(first));
    if (second != nullptr) second_->setText(QString::fromUtf8(second));
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
    Refresh();
}

void BusyDialog::SetRange(int minimum, int maximum) {
    bar_->setRange(minimum, maximum);
    Refresh();
}

void BusyDialog::StepIt() {
    // Past the end the bar starts over from its beginning.
    const int next = bar_->value() + kStepSize;
    bar_->setValue(next > bar_->maximum() ? bar_->minimum() : next);
    Refresh();
}

void BusyDialog::Refresh() {
    if (isVisible()) repaint();
}

void SetBusyDialogParent(QWidget* parent) {
    Parent() = parent;
}

BusyDialog* GetBusyDialog() {
    if (Slot().isNull()) {
        auto* dialog = new BusyDialog(Parent().data());
        dialog->show();
        Slot() = dialog;
    }
    return Slot().data();
}

void CloseBusyDialog() {
    delete Slot().data();
    Slot().clear();
}

void UseBusyDialogForProgress() {
    SetProgressSource([]() -> Progress* { return GetBusyDialog(); });
}
