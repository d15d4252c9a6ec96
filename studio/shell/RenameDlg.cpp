#include "studio/shell/RenameDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QPushButton* Button(QWidget* parent, const char* id, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(id);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

RenameDlg::RenameDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("141");
    setWindowTitle("Rename file");
    setModal(true);

    existing_ = new QLabel("Before", this);
    existing_->setObjectName("1016");
    edit_ = new QLineEdit(this);
    edit_->setObjectName("1011");

    QPushButton* ok = Button(this, "1", "Ok");
    ok->setDefault(true);
    QPushButton* cancel = Button(this, "2", "Cancel");
    QPushButton* autoRename = Button(this, "1012", "Auto rename");
    QPushButton* autoRenameAll = Button(this, "1013", "AutoRename All");
    QPushButton* overwrite = Button(this, "1164", "Overwrite");
    QPushButton* overwriteAll = Button(this, "1194", "Overwrite All");

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Orignal name :", this), 0, 0);
    grid->addWidget(existing_, 0, 1);
    grid->addWidget(new QLabel("New name :", this), 1, 0);
    grid->addWidget(edit_, 1, 1);
    auto* buttons = new QGridLayout;
    buttons->addWidget(ok, 0, 0);
    buttons->addWidget(cancel, 0, 1);
    buttons->addWidget(autoRename, 1, 0);
    buttons->addWidget(autoRenameAll, 1, 1);
    buttons->addWidget(overwrite, 2, 0);
    buttons->addWidget(overwriteAll, 2, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(ok, &QPushButton::clicked, this, [this] {
        newName_ = edit_->text().toStdString();
        Choose(false, false, false, false);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(autoRename, &QPushButton::clicked, this, [this] { Choose(true, false, false, false); });
    connect(autoRenameAll, &QPushButton::clicked, this,
            [this] { Choose(true, true, false, false); });
    connect(overwrite, &QPushButton::clicked, this, [this] { Choose(false, false, true, false); });
    connect(overwriteAll, &QPushButton::clicked, this,
            [this] { Choose(false, false, true, true); });
}

void RenameDlg::SetNames(const std::string& existingName, const std::string& newName) {
    existingName_ = existingName;
    newName_ = newName;
    existing_->setText(QString::fromStdString(existingName));
    edit_->setText(QString::fromStdString(newName));
}

void RenameDlg::Choose(bool autoRename, bool autoRenameAll, bool overwrite, bool overwriteAll) {
    autoRename_ = autoRename;
    autoRenameAll_ = autoRenameAll;
    overwrite_ = overwrite;
    overwriteAll_ = overwriteAll;
    accept();
}
