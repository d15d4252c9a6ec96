#include "studio/shell/gallery/VariableEditors.h"

#include <cstdint>
#include <optional>

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/TemplateVariable.h"
#include "studio/shell/DialogButtons.h"
#include "studio/shell/commands/StringTable.h"

namespace {

// Wide enough for a sentence or two of description per line.
constexpr int kDescriptionWidth = 320;

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// The text broken into lines no wider than `width` between words; only a word wider than a
// line of its own is broken inside. Breaks the author wrote are kept.
QString WrapWords(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split('\n')) {
        QString line;
        for (const QString& word : paragraph.split(' ', Qt::SkipEmptyParts)) {
            const QString joined = line.isEmpty() ? word : line + ' ' + word;
            if (metrics.horizontalAdvance(joined) <= width) {
                line = joined;
                continue;
            }
            if (!line.isEmpty()) lines.push_back(line);
            line = word;
            // A word wider than the line goes on lines of its own.
            while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
                qsizetype fits = 1;
                while (fits < line.size() &&
                       metrics.horizontalAdvance(line.left(fits + 1)) <= width)
                    ++fits;
                lines.push_back(line.left(fits));
                line = line.mid(fits);
            }
        }
        lines.push_back(line);
    }
    return lines.join('\n');
}

}  // namespace

VariableEditor::VariableEditor(QWidget* parent, int dialogId, const char* caption, bool titled)
    : QDialog(parent), description_(new QLabel(this)), titled_(titled) {
    setObjectName(QString::number(dialogId));
    setWindowTitle(caption);
    setModal(true);
    description_->setObjectName("1043");
    description_->setFixedWidth(kDescriptionWidth);
}

void VariableEditor::Finish(QWidget* value, QWidget* extra) {
    auto* layout = new QVBoxLayout(this);
    if (extra != nullptr) {
        auto* row = new QHBoxLayout;
        row->addWidget(value, 1);
        row->addWidget(extra);
        layout->addLayout(row);
    } else {
        layout->addWidget(value);
    }
    layout->addWidget(description_);
    const OkCancelButtons buttons = AddOkCancel(*this, *layout);
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        if (variable_ != nullptr && Store()) accept();
    });
}

void VariableEditor::SetVariable(TemplateVariable* variable) {
    variable_ = variable;
    if (variable == nullptr) return;
    if (titled_) setWindowTitle(FromStd(variable->title));
    description_->setText(WrapWords(FromStd(variable->description),
                                    QFontMetrics(description_->font()),
                                    description_->contentsRect().width()));
    ShowValue();
}

// ---- Strings and numbers

VarStringDlg::VarStringDlg(QWidget* parent)
    : VariableEditor(parent, 153, "Text input", true), edit_(new QLineEdit(this)) {
    edit_->setObjectName("1039");
    Finish(edit_);
}

void VarStringDlg::ShowValue() {
    edit_->setText(FromStd(variable_->valueText));
}

bool VarStringDlg::Store() {
    const std::string text = edit_->text().toStdString();
    if (variable_->Validate(text.c_str())) return variable_->SetValueText(text);
    if (variable_->varType == kVarNumber) {
        platform::ShowMessage(this, "Please enter a number", GetStudioString(kTitleString));
    }
    return false;
}

// ---- Long text

VarLongTextDlg::VarLongTextDlg(QWidget* parent)
    : VariableEditor(parent, 190, "Text input", false), edit_(new QPlainTextEdit(this)) {
    edit_->setObjectName("1039");
    Finish(edit_);
}

void VarLongTextDlg::ShowValue() {
    edit_->setPlainText(FromStd(variable_->valueText));
}

bool VarLongTextDlg::Store() {
    return variable_->SetValueText(edit_->toPlainText().toStdString());
}

// ---- Bool

VarBoolDlg::VarBoolDlg(QWidget* parent)
    : VariableEditor(parent, 198, "Enable/Disable", true), list_(new QComboBox(this)) {
    list_->setObjectName("1217");
    Finish(list_);
}

void VarBoolDlg::ShowValue() {
    list_->clear();
    list_->addItem(FromStd(variable_->GetChoice(0)));
    list_->addItem(FromStd(variable_->GetChoice(1)));
    list_->setCurrentIndex(variable_->valueText == "1" ? 1 : 0);
}

bool VarBoolDlg::Store() {
    return variable_->SetValue(list_->currentIndex());
}

// ---- String list

VarSelTextDlg::VarSelTextDlg(QWidget* parent)
    : VariableEditor(parent, 199, "Select", true), list_(new QComboBox(this)) {
    list_->setObjectName("1217");
    Finish(list_);
}

void VarSelTextDlg::ShowValue() {
    list_->clear();
    int selected = 0;
    // Only the declared choices are offered: a list declared without any has nothing to
    // pick, and its value stays as it is.
    for (std::size_t i = 0; i < variable_->choices.size(); ++i) {
        list_->addItem(FromStd(variable_->choices[i]));
        if (variable_->choices[i] == variable_->valueText) selected = static_cast<int>(i);
    }
    if (list_->count() > 0) list_->setCurrentIndex(selected);
}

bool VarSelTextDlg::Store() {
    if (list_->currentIndex() < 0) {
        reject();
        return false;
    }
    return variable_->SetValue(list_->currentIndex());
}

// ---- Colour

VarColorDlg::VarColorDlg(QWidget* parent)
    : VariableEditor(parent, 200, "Dialog", true), edit_(new QLineEdit(this)) {
    edit_->setObjectName("1219");
    auto* pick = new QPushButton("Pick...", this);
    pick->setObjectName("1220");
    pick->setAutoDefault(false);
    connect(pick, &QPushButton::clicked, this, [this] { Pick(); });

    auto* value = new QWidget(this);
    auto* row = new QHBoxLayout(value);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel("Color ( #rrggbb ) :", value));
    row->addWidget(edit_, 1);
    Finish(value, pick);
}

void VarColorDlg::ShowValue() {
    edit_->setText(FromStd(variable_->valueText));
}

void VarColorDlg::Pick() {
    const std::optional<std::uint32_t> color = platform::CurrentPrompts().ChooseColor(this, 0);
    if (color) edit_->setText(FromStd(platform::FormatC("%06x", *color & 0xFFFFFFu)));
}

// What the user typed is what templates print: a colour text is not checked.
bool VarColorDlg::Store() {
    return variable_->SetValueText(edit_->text().toStdString());
}
