#include "studio/shell/animation/DlgChangeName.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DlgChangeName::DlgChangeName(QWidget* parent) : QDialog(parent) {
    setObjectName("157");
    setWindowTitle("Change name");
    setModal(true);

    edit_ = new QLineEdit(this);
    edit_->setObjectName("1054");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    cancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter a new name for the point.", this));
    layout->addWidget(edit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] {
        name_ = edit_->text().toStdString();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DlgChangeName::SetName(const std::string& name) {
    name_ = name;
    edit_->setText(QString::fromStdString(name));
    edit_->selectAll();
}
