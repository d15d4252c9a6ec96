#include "testing/DialogDriver.h"

#include <memory>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace testing_support {

QWidget* DialogDriver::Control(int id) const {
    if (dialog_ == nullptr) return nullptr;
    return dialog_->findChild<QWidget*>(QString::number(id));
}

QString DialogDriver::Text(int id) const {
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) return spin->text();
    return {};
}

void DialogDriver::SetText(int id, const QString& text) {
    QWidget* control = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
        emit edit->textEdited(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int index = combo->findText(text);
        if (index >= 0) {
            combo->setCurrentIndex(index);
        } else if (combo->isEditable()) {
            combo->setEditText(text);
        }
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
        if (auto* line = spin->findChild<QLineEdit*>()) line->setText(text);
        spin->interpretText();
    }
}

void DialogDriver::SetChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
        if (button->isChecked() != checked) button->click();
    }
}

void DialogDriver::Press(int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) button->click();
}

void DriveNextDialog(std::function<void(DialogDriver&)> drive, int timeoutMs, bool* timedOut) {
    if (timedOut != nullptr) *timedOut = false;
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            DialogDriver driver(dialog);
            drive(driver);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (timedOut != nullptr) *timedOut = true;
        }
    });
    timer->start(10);
}

}  // namespace testing_support
