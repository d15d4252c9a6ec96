#include "studio/shell/fileinfo/IPTCPages.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "imaging/IPTCData.h"
#include "platform/text/Text.h"

namespace {

constexpr int kAddButton = 1048;
constexpr int kRemoveButton = 1049;
constexpr int kList = 1231;

QLineEdit* AddEdit(QFormLayout* form, const char* label, int id) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::number(id));
    form->addRow(QString::fromUtf8(label), edit);
    return edit;
}

// Bytes of an edited text: what the user typed, in UTF-8.
std::string ToBytes(const QString& text) {
    return text.toStdString();
}

}  // namespace

// ---- IPTCPropertyHelper

QString IPTCPropertyHelper::ToDisplay(const std::string& bytes) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (text.toUtf8() == QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))) {
        return text;
    }
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void IPTCPropertyHelper::BindText(QLineEdit* edit, std::string IPTCData::*field) {
    bound_.push_back({edit, field, {}});
}

void IPTCPropertyHelper::LoadTexts() {
    if (record_ == nullptr) return;
    for (Bound& one : bound_) {
        one.shown = ToDisplay(record_->*one.field);
        one.edit->setText(one.shown);
    }
}

void IPTCPropertyHelper::StoreTexts() {
    if (record_ == nullptr) return;
    for (const Bound& one : bound_) {
        const QString text = one.edit->text();
        if (text != one.shown) record_->*one.field = ToBytes(text);
    }
}

// ---- IPTCListEditor

IPTCListEditor::IPTCListEditor(QWidget* page, int editId) : QWidget(page) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QString::number(editId));
    add_ = new QPushButton("Add", this);
    add_->setObjectName(QString::number(kAddButton));
    add_->setEnabled(false);
    list_ = new QListWidget(this);
    list_->setObjectName(QString::number(kList));
    remove_ = new QPushButton("Remove", this);
    remove_->setObjectName(QString::number(kRemoveButton));
    remove_->setEnabled(false);
    grid->addWidget(edit_, 0, 0);
    grid->addWidget(add_, 0, 1);
    grid->addWidget(list_, 1, 0);
    grid->addWidget(remove_, 1, 1, Qt::AlignTop);
    // Typing brings "Add" back: an entry added is not the last one a user may want.
    QObject::connect(edit_, &QLineEdit::textChanged, add_,
                     [this](const QString& text) { add_->setEnabled(!text.isEmpty()); });
    QObject::connect(add_, &QPushButton::clicked, list_, [this] { AddTyped(); });
    edit_->installEventFilter(this);
    QObject::connect(remove_, &QPushButton::clicked, list_, [this] {
        delete list_->takeItem(list_->currentRow());
        remove_->setEnabled(false);
    });
    QObject::connect(list_, &QListWidget::itemSelectionChanged, remove_,
                     [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
}

void IPTCListEditor::AddTyped() {
    list_->addItem(edit_->text());
    edit_->clear();
    add_->setEnabled(false);
}

bool IPTCListEditor::eventFilter(QObject* watched, QEvent* event) {
    // Enter after a word means that word: left to the sheet, it would close as OK and the
    // word typed last would never reach the list.
    if (watched == edit_ && event->type() == QEvent::KeyPress && !edit_->text().isEmpty()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddTyped();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void IPTCListEditor::Load(const std::vector<std::string>& texts) {
    loaded_ = texts;
    shown_.clear();
    list_->clear();
    for (const std::string& text : texts) shown_ << IPTCPropertyHelper::ToDisplay(text);
    list_->addItems(shown_);
}

void IPTCListEditor::Store(std::vector<std::string>& texts) const {
    QStringList now;
    for (int row = 0; row < list_->count(); ++row) now << list_->item(row)->text();
    if (now == shown_) {
        texts = loaded_;
        return;
    }
    texts.clear();
    for (int row = 0; row < now.size(); ++row) {
        // An entry that was there keeps its bytes.
        const qsizetype was = shown_.indexOf(now[row]);
        texts.push_back(was >= 0 ? loaded_[static_cast<std::size_t>(was)] : ToBytes(now[row]));
    }
}

// ---- Caption

PropFileInfoCaption::PropFileInfoCaption() : PropertyPage(204, "Caption") {
    auto* form = new QFormLayout(this);
    BindText(AddEdit(form, "Caption text:", 1224), &IPTCData::caption);
    BindText(AddEdit(form, "Headline:", 1225), &IPTCData::headline);
    BindText(AddEdit(form, "Special\ninstructions:", 1226), &IPTCData::specialInstructions);
    BindText(AddEdit(form, "Captin writer:", 1227), &IPTCData::captionWriter);
}

void PropFileInfoCaption::Init() {
    LoadTexts();
}

void PropFileInfoCaption::Apply() {
    StoreTexts();
}

// ---- Keywords

PropFileInfoKeywords::PropFileInfoKeywords() : PropertyPage(205, "Keywords") {
    auto* layout = new QVBoxLayout(this);
    keywords_ = new IPTCListEditor(this, 1232);
    layout->addWidget(keywords_);
}

void PropFileInfoKeywords::Init() {
    if (GetRecord() != nullptr) keywords_->Load(GetRecord()->keywords);
}

void PropFileInfoKeywords::Apply() {
    if (GetRecord() != nullptr) keywords_->Store(GetRecord()->keywords);
}

// ---- Categories

PropFileInfoCategories::PropFileInfoCategories() : PropertyPage(206, "Categories") {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    BindText(AddEdit(form, "Category:", 1241), &IPTCData::category);
    urgency_ = new QComboBox;
    urgency_->setObjectName("1236");
    urgency_->addItems({"1 (High)", "2", "3", "4", "5 (Normal)", "6", "7", "8 (Low)", "None"});
    form->addRow("Urgency:", urgency_);
    auto* group = new QGroupBox("Supplemental categories");
    auto* inGroup = new QVBoxLayout(group);
    categories_ = new IPTCListEditor(group, 1243);
    inGroup->addWidget(categories_);
    layout->addWidget(group);
}

void PropFileInfoCategories::Init() {
    IPTCData* record = GetRecord();
    if (record == nullptr) return;
    LoadTexts();
    int chosen = urgency_->count() - 1;  // "None"
    if (!record->urgency.empty()) {
        // An urgency no entry stands for selects none, and stays unless the user picks one.
        chosen = -1;
        const QString urgency = ToDisplay(record->urgency);
        for (int i = 0; i + 1 < urgency_->count(); ++i) {
            if (urgency_->itemText(i).startsWith(urgency)) {
                chosen = i;
                break;
            }
        }
    }
    urgency_->setCurrentIndex(chosen);
    categories_->Load(record->supplementalCategories);
}

void PropFileInfoCategories::Apply() {
    IPTCData* record = GetRecord();
    if (record == nullptr) return;
    StoreTexts();
    const int chosen = urgency_->currentIndex();
    if (chosen >= 0 && chosen < 8) {
        record->urgency = std::string(1, static_cast<char>('1' + chosen));
    } else if (chosen == 8) {
        record->urgency.clear();
    }
    categories_->Store(record->supplementalCategories);
}

// ---- Credits

PropFileInfoCredits::PropFileInfoCredits() : PropertyPage(207, "Credits") {
    auto* form = new QFormLayout(this);
    BindText(AddEdit(form, "Byline:", 1245), &IPTCData::byline);
    BindText(AddEdit(form, "Byline title:", 1246), &IPTCData::bylineTitle);
    BindText(AddEdit(form, "Credit:", 1247), &IPTCData::credits);
    BindText(AddEdit(form, "Source:", 1248), &IPTCData::source);
}

void PropFileInfoCredits::Init() {
    LoadTexts();
}

void PropFileInfoCredits::Apply() {
    StoreTexts();
}

// ---- Origin

PropFileInfoOrigin::PropFileInfoOrigin() : PropertyPage(208, "Origin") {
    auto* form = new QFormLayout(this);
    BindText(AddEdit(form, "Object name:", 1233), &IPTCData::objectName);
    date_ = new QDateEdit;
    date_->setObjectName("1240");
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    date_->setMinimumDate(QDate(1, 1, 1));
    form->addRow("Date created:", date_);
    BindText(AddEdit(form, "Ciy", 1234), &IPTCData::city);
    BindText(AddEdit(form, "State/province", 1237), &IPTCData::state);
    BindText(AddEdit(form, "Country", 1238), &IPTCData::country);
    BindText(AddEdit(form, "Transmission\nreference:", 1239),
             &IPTCData::originalTransmissionReference);
}

void PropFileInfoOrigin::Init() {
    IPTCData* record = GetRecord();
    if (record == nullptr) return;
    LoadTexts();
    date_->setDate(QDate::currentDate());
    dateShown_ = false;
    const std::string& text = record->dateCreated;
    if (text.empty()) return;
    const auto number = [&text](std::size_t at, std::size_t length) {
        return at < text.size() ? std::atoi(text.substr(at, length).c_str()) : 0;
    };
    const QDate date(number(0, 4), number(4, 2), number(6, 2));
    if (date.isValid()) date_->setDate(date);
    // The record's text stays as it is unless the user picks another date.
    dateShown_ = true;
    shownDate_ = date_->date();
}

void PropFileInfoOrigin::Apply() {
    IPTCData* record = GetRecord();
    if (record == nullptr) return;
    StoreTexts();
    const QDate date = date_->date();
    if (dateShown_ && date == shownDate_) return;
    record->dateCreated = platform::FormatC("%4d%02d%02d", date.year(), date.month(), date.day());
}

// ---- Copyright

PropFileInfoCopyright::PropFileInfoCopyright() : PropertyPage(209, "Copyright") {
    auto* form = new QFormLayout(this);
    BindText(AddEdit(form, "Copyright\nnotice:", 1244), &IPTCData::copyrightNotice);
}

void PropFileInfoCopyright::Init() {
    LoadTexts();
}

void PropFileInfoCopyright::Apply() {
    StoreTexts();
}

std::vector<PropertyPage*> MakeFileInfoPages(IPTCData* record) {
    auto* caption = new PropFileInfoCaption;
    auto* categories = new PropFileInfoCategories;
    auto* copyright = new PropFileInfoCopyright;
    auto* credits = new PropFileInfoCredits;
    auto* keywords = new PropFileInfoKeywords;
    auto* origin = new PropFileInfoOrigin;
    for (IPTCPropertyHelper* page : std::initializer_list<IPTCPropertyHelper*>{
             caption, categories, copyright, credits, keywords, origin}) {
        page->SetRecord(record);
    }
    return {caption, categories, copyright, credits, keywords, origin};
}
