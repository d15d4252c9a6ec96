#include "studio/shell/PropertySheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

PropertyPage::PropertyPage(int id, const std::string& caption) : caption_(caption) {
    setObjectName(QString::number(id));
}

void PropertyPage::SetModified(bool modified) {
    modified_ = modified;
    for (QWidget* up = parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (auto* sheet = dynamic_cast<PropertySheet*>(up)) {
            sheet->OnPageModified();
            break;
        }
    }
}

void PropertyPage::EnsureInitialised() {
    if (initialised_) return;
    initialised_ = true;
    Init();
}

PropertySheet::PropertySheet(const std::string& caption, QWidget* parent, int startPage)
    : QDialog(parent), startPage_(startPage) {
    setWindowTitle(QString::fromStdString(caption));
    setObjectName(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("12320");
    // Every page's tab shows whole and without scroll arrows: the sheet is as wide as its
    // tabs need.
    tabs_->tabBar()->setUsesScrollButtons(false);
    tabs_->tabBar()->setElideMode(Qt::ElideNone);
    layout->addWidget(tabs_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("1");
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("2");
    apply_ = buttons->addButton(QDialogButtonBox::Apply);
    apply_->setObjectName("12321");
    apply_->setEnabled(false);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        ApplyPages();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, [this] {
        for (PropertyPage* page : pages_) {
            if (page->IsInitialised() && page->IsModified()) {
                page->Apply();
                page->SetModified(false);
            }
        }
        apply_->setEnabled(false);
    });
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { ShowPage(index); });
}

void PropertySheet::AddPage(PropertyPage* page) {
    pages_.push_back(page);
    tabs_->addTab(page, QString::fromStdString(page->GetCaption()));
}

int PropertySheet::GetPageCount() const {
    return static_cast<int>(pages_.size());
}

PropertyPage* PropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

PropertyPage* PropertySheet::GetActivePage() const {
    return GetPage(tabs_->currentIndex());
}

int PropertySheet::DoModal() {
    const int start = startPage_ >= 0 && startPage_ < GetPageCount() ? startPage_ : 0;
    tabs_->setCurrentIndex(start);
    ShowPage(start);
    return exec();
}

void PropertySheet::OnPageModified() {
    bool any = false;
    for (PropertyPage* page : pages_) any = any || page->IsModified();
    apply_->setEnabled(any);
}

void PropertySheet::ShowPage(int index) {
    if (PropertyPage* page = GetPage(index)) page->EnsureInitialised();
}

void PropertySheet::ApplyPages() {
    for (PropertyPage* page : pages_) {
        if (page->IsInitialised()) page->Apply();
    }
}
