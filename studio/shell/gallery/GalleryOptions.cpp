#include "studio/shell/gallery/GalleryOptions.h"

#include <memory>

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/projects/Gallery.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/gallery/VariableEditors.h"

namespace {

std::unique_ptr<VariableEditor> EditorFor(const TemplateVariable& variable, QWidget* parent) {
    switch (variable.varType) {
        case kVarText:
            return std::make_unique<VarLongTextDlg>(parent);
        case kVarBool:
            return std::make_unique<VarBoolDlg>(parent);
        case kVarStringList:
            return std::make_unique<VarSelTextDlg>(parent);
        case kVarColor:
            return std::make_unique<VarColorDlg>(parent);
        default:
            return std::make_unique<VarStringDlg>(parent);
    }
}

}  // namespace

GalleryOptions::GalleryOptions(QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)), change_(new QPushButton("Change", this)) {
    setObjectName("152");
    setWindowTitle("Configure gallery");
    setModal(true);
    list_->setObjectName("1038");
    list_->setMinimumWidth(360);
    change_->setObjectName("1051");
    change_->setAutoDefault(false);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("1");
    close->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(change_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateChange(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { UpdateChange(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { EditVariable(); });
    connect(change_, &QPushButton::clicked, this, [this] { EditVariable(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    UpdateChange();
}

std::string GalleryOptions::VariableLine(const TemplateVariable& variable) {
    const std::string shown = variable.GetDisplayText();
    if (shown.empty()) return variable.category + " : *" + variable.title + " - Not used";
    return variable.category + " : " + variable.title + "='" + shown + "'";
}

void GalleryOptions::showEvent(QShowEvent* event) {
    if (!filled_) {
        filled_ = true;
        Fill();
    }
    QDialog::showEvent(event);
}

void GalleryOptions::Fill() {
    list_->clear();
    rows_.clear();
    Gallery* gallery = CurrentGallery();
    if (gallery != nullptr) {
        for (bool more = gallery->FirstVariable(); more; more = gallery->NextVariable()) {
            TemplateVariable* variable = gallery->GetCurrentVariable();
            rows_.push_back(variable);
            list_->addItem(QString::fromStdString(VariableLine(*variable)));
        }
    }
    if (!rows_.empty()) list_->setCurrentRow(0);
    UpdateChange();
}

void GalleryOptions::UpdateChange() {
    const int row = list_->currentRow();
    change_->setEnabled(row >= 0 && static_cast<std::size_t>(row) < rows_.size() &&
                        list_->item(row)->isSelected());
}

void GalleryOptions::EditVariable() {
    const int row = list_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
    TemplateVariable* variable = rows_[static_cast<std::size_t>(row)];
    std::unique_ptr<VariableEditor> editor = EditorFor(*variable, this);
    editor->SetVariable(variable);
    if (editor->exec() != QDialog::Accepted) return;
    list_->item(row)->setText(QString::fromStdString(VariableLine(*variable)));
    changed_ = true;
    list_->setCurrentRow(row);
}
