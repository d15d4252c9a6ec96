// The properties of the selected items: the desktop's file manager shows them when it offers
// to; otherwise a small dialog of ours gives the facts.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/text/Text.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/filecmds/FileCommands.h"
#include "studio/shell/fileview/FileView.h"

namespace {

constexpr const char* kService = "org.freedesktop.FileManager1";

PropertiesAsker& Asker() {
    static PropertiesAsker asker;
    return asker;
}

bool AskFileManager(const std::vector<std::string>& paths) {
    if (Asker()) return Asker()(paths);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value()) return false;
    QStringList uris;
    for (const std::string& path : paths) {
        uris << QUrl::fromLocalFile(QString::fromStdString(path)).toString();
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QStringLiteral("/org/freedesktop/FileManager1"),
        QString::fromLatin1(kService), QStringLiteral("ShowItemProperties"));
    call << uris << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::string KindOf(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (std::filesystem::is_directory(status)) return "Folder";
    const std::string name = path.string();
    if (IsImageFile(name)) return "Picture";
    if (IsHtmlFile(name)) return "Web page";
    if (IsAnimationFile(name)) return "Animation";
    return "File";
}

std::string ModifiedText(const std::filesystem::path& path) {
    const QDateTime written = QFileInfo(QString::fromStdString(path.string())).lastModified();
    if (!written.isValid()) return "Unknown";
    return written.toString("yyyy-MM-dd hh:mm").toStdString();
}

// The facts of the items: one item's own, or the count and the total of several.
void ShowOurProperties(QWidget* owner, const std::vector<std::string>& paths) {
    const std::filesystem::path first(paths.front());
    QDialog dialog(owner);
    dialog.setObjectName("Properties");
    dialog.setWindowTitle("Properties");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const auto add = [&](const char* label, const std::string& value, const char* id) {
        auto* text = new QLabel(QString::fromStdString(value));
        text->setObjectName(id);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, text);
    };
    std::uintmax_t total = 0;
    for (const std::string& path : paths) total += GetFileSize(path);
    if (paths.size() == 1) {
        add("Name:", first.filename().string(), "name");
        add("Kind:", KindOf(first), "kind");
    } else {
        add("Name:", platform::FormatC("%d items", static_cast<int>(paths.size())), "name");
        add("Kind:", "Several", "kind");
    }
    add("Location:", first.parent_path().string(), "location");
    add("Size:", platform::FormatC("%llu bytes", static_cast<unsigned long long>(total)), "size");
    if (paths.size() == 1) add("Modified:", ModifiedText(first), "modified");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace

PropertiesAsker SetPropertiesAsker(PropertiesAsker asker) {
    return std::exchange(Asker(), std::move(asker));
}

FileProperties::FileProperties(FileSelection* selection, FileView* fileView)
    : Command(kFileProperties), selection_(selection), fileView_(fileView) {}

bool FileProperties::IsEnabled() {
    return selection_ != nullptr && selection_->HasItems();
}

void FileProperties::Execute() {
    if (!IsEnabled()) return;
    std::vector<std::string> paths;
    for (const PidlPath& item : selection_->GetItems()) {
        PidlPath full = selection_->GetFolder();
        full.Append(item);
        std::string path = full.GetPath();
        if (!path.empty()) paths.push_back(std::move(path));
    }
    if (paths.empty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool shown = AskFileManager(paths);
    QApplication::restoreOverrideCursor();
    if (!shown) ShowOurProperties(fileView_, paths);
}
