#include <cstdio>
#include <string>
#include <vector>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "platform/prompts/Prompts.h"
#include "platform/registry/Registry.h"
#include "studio/core/Properties.h"
#include "studio/shell/prefs/PrefPages.h"

namespace {

QLineEdit* AddPathRow(QFormLayout* form, const char* label, int editId, int browseId,
                      QPushButton** browse) {
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::number(editId));
    *browse = new QPushButton("Browse...");
    (*browse)->setObjectName(QString::number(browseId));
    row->addWidget(edit);
    row->addWidget(*browse);
    form->addRow(label, row);
    return edit;
}

}  // namespace

std::string FindRegisteredImageEditor(platform::Registry& registry) {
    platform::RegKey versions;
    if (platform::RegKey::Open(registry, platform::RegHive::LocalMachine,
                               "Software\\Adobe\\Photoshop", versions) != platform::RegResult::Ok) {
        return {};
    }
    std::vector<std::string> names;
    if (versions.EnumSubKeys(names) != platform::RegResult::Ok) return {};
    double best = 0;
    std::string chosen;
    for (const std::string& name : names) {
        double number = 0;
        if (std::sscanf(name.c_str(), "%lf", &number) != 1) number = 0;
        // The first of equal versions stays.
        if (number > best) {
            best = number;
            chosen = name;
        }
    }
    if (chosen.empty()) return {};
    platform::RegKey application;
    if (versions.OpenSubKey(chosen + "\\ApplicationPath", application) != platform::RegResult::Ok) {
        return {};
    }
    const std::optional<std::string> folder = application.GetString("");
    if (!folder || folder->empty()) return {};
    return *folder + "Photoshp.exe";
}

PropPageFiles::PropPageFiles() : PropertyPage(149, "Files") {
    auto* form = new QFormLayout(this);
    QPushButton* browseHtml = nullptr;
    QPushButton* browseImage = nullptr;
    html_ = AddPathRow(form, "HTML editor:", 1095, 1097, &browseHtml);
    image_ = AddPathRow(form, "Image editor:", 1096, 1098, &browseImage);
    connect(browseHtml, &QPushButton::clicked, this, [this] { Browse(html_); });
    connect(browseImage, &QPushButton::clicked, this, [this] { Browse(image_); });
    for (QLineEdit* edit : {html_, image_}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(); });
    }
}

void PropPageFiles::Init() {
    const Properties& properties = Properties::Instance();
    html_->setText(QString::fromStdString(properties.GetEditorHtml()));
    image_->setText(QString::fromStdString(properties.GetEditorImage()));
    // No system folder holds a default HTML editor here; only the image editor is looked up.
    if (properties.GetEditorImage().empty()) {
        const std::string found = FindRegisteredImageEditor(platform::Registry::Default());
        if (!found.empty()) {
            image_->setText(QString::fromStdString(found));
            SetModified();
        }
    }
}

void PropPageFiles::Apply() {
    Properties& properties = Properties::Instance();
    const std::string html = html_->text().toStdString();
    const std::string image = image_->text().toStdString();
    if (html != properties.GetEditorHtml()) properties.SetEditorHtml(html);
    if (image != properties.GetEditorImage()) properties.SetEditorImage(image);
}

void PropPageFiles::Browse(QLineEdit* edit) {
    platform::FileDialogRequest request;
    request.initialPath = edit->text().toStdString();
    // Programs carry no extension here: every file is offered.
    request.filter = "All Files (*.*)|*||";
    const std::optional<std::string> chosen = platform::CurrentPrompts().FileDialog(this, request);
    if (!chosen) return;
    edit->setText(QString::fromStdString(*chosen));
    SetModified();
}
