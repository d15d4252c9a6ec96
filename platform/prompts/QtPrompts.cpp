#include "platform/prompts/QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStringList>

#include "platform/prompts/PagedPrintTarget.h"

namespace platform {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButtons QtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton QtButton(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::Ok:
            return QMessageBox::Ok;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Retry:
            return QMessageBox::Retry;
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            return QMessageBox::NoIcon;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer QtPrompts::MessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                                   MessageButtons buttons, MessageIcon icon,
                                   std::optional<PromptAnswer> defaultAnswer) {
    const QString title =
        caption.empty() ? QApplication::applicationDisplayName() : FromUtf8(caption);
    QMessageBox box(QtIcon(icon), title, FromUtf8(text), QtButtons(buttons), owner);
    if (defaultAnswer) {
        if (QAbstractButton* button = box.button(QtButton(*defaultAnswer))) {
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
        }
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return EscapeAnswer(buttons);
    }
}

std::optional<std::string> QtPrompts::BrowseForFolder(QWidget* owner, std::string_view title,
                                                      std::string_view startFolder) {
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, FromUtf8(title), FromUtf8(startFolder));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::optional<std::string> QtPrompts::FileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner, FromUtf8(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
    QStringList filters;
    for (const std::string& f : ToQtNameFilters(request.filter))
        filters << QString::fromStdString(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.initialPath.empty()) dialog.selectFile(FromUtf8(request.initialPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

std::vector<std::string> ToQtNameFilters(std::string_view filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < filter.size()) {
        const std::size_t bar = filter.find('|', start);
        const std::size_t end = bar == std::string_view::npos ? filter.size() : bar;
        parts.emplace_back(filter.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the closing "||"
        std::string patterns;
        std::size_t s = 0;
        const std::string& list = parts[i + 1];
        while (s <= list.size()) {
            std::size_t e = list.find(';', s);
            if (e == std::string::npos) e = list.size();
            std::string_view pattern = std::string_view(list).substr(s, e - s);
            if (pattern == "*.*") pattern = "*";
            if (!pattern.empty()) {
                if (!patterns.empty()) patterns += ' ';
                patterns += pattern;
            }
            s = e + 1;
        }
        std::string entry = parts[i];
        entry.append(" (").append(patterns).append(")");
        out.push_back(std::move(entry));
    }
    return out;
}

std::optional<std::uint32_t> QtPrompts::ChooseColor(QWidget* owner, std::uint32_t initial) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(initial & 0xFFFFFFu), owner);
    if (!chosen.isValid()) return std::nullopt;
    return chosen.rgb() & 0xFFFFFFu;
}

PrintChoice QtPrompts::PrintDialog(QWidget* owner) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setCopyCount(1);
    printer->setFromTo(1, 1);
    QPrintDialog dialog(printer.get(), owner);
    if (dialog.exec() != QDialog::Accepted) return {};
    return PrintChoice{MakePagedPrintTarget(std::move(printer)), 0};
}

}  // namespace platform
