#include "studio/shell/animation/DlgChangeName.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/shell/DialogButtons.h"

DlgChangeName::DlgChangeName(QWidget* parent) : QDialog(parent) {
    setObjectName("157");
    setWindowTitle("Change name");
    setModal(true);

    edit_ = new QLineEdit(this);
    edit_->setObjectName("1054");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter a new name for the point.", this));
    layout->addWidget(edit_);
    const OkCancelButtons buttons = AddOkCancel(*this, *layout);
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        name_ = edit_->text().toStdString();
        accept();
    });
}

void DlgChangeName::SetName(const std::string& name) {
    name_ = name;
    edit_->setText(QString::fromStdString(name));
    edit_->selectAll();
}
