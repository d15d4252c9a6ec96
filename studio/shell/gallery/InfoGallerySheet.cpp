#include "studio/shell/gallery/InfoGallerySheet.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/debug/Debug.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/core/Progress.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/gallery/GalleryLists.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

constexpr char kEmptyPage[] = "Help/Gallery/empty.htm";
constexpr char kBlankPage[] = "about:blank";
constexpr int kPreviewSize = 64;

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* Button(QWidget* parent, const char* text, int id) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

QSlider* Slider(QWidget* parent, int id, int minimum, int maximum, int position) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::number(id));
    slider->setRange(minimum, maximum);
    slider->setValue(position);
    return slider;
}

QLineEdit* Edit(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    return edit;
}

}  // namespace

InfoGallerySheet::InfoGallerySheet(QWidget* parent) : QWidget(parent) {
    setObjectName("143");
    BuildControls();
    widthSlider_->setRange(128, 800);
    widthSlider_->setValue(320);
    heightSlider_->setRange(128, 600);
    heightSlider_->setValue(200);
    ShowSize();
    title_->setText(FromStd(titleText_));
    UpdateControls();
}

InfoGallerySheet::~InfoGallerySheet() = default;

void InfoGallerySheet::BuildControls() {
    images_ = new WorkImages(this);
    images_->SetSheet(this);
    images_->setDragEnabled(true);
    templates_ = new TemplateList(this);
    title_ = Edit(this, 1138);
    widthEdit_ = Edit(this, 1141);
    heightEdit_ = Edit(this, 1059);
    widthSlider_ = Slider(this, 1139, 128, 800, 320);
    heightSlider_ = Slider(this, 1140, 128, 600, 200);
    export_ = Button(this, "Export HTML", kGallerySave);
    auto* info = Button(this, "Info...", 1031);
    auto* close = Button(this, "Close", 1168);
    configure_ = Button(this, "Configure...", 1181);

    auto* pictures = new QGroupBox("Gallery images", this);
    auto* picturesLayout = new QVBoxLayout(pictures);
    picturesLayout->addWidget(images_);
    auto* catalogue = new QGroupBox("Templates", this);
    auto* catalogueLayout = new QVBoxLayout(catalogue);
    catalogueLayout->addWidget(templates_);
    auto* templateButtons = new QHBoxLayout;
    templateButtons->addWidget(info);
    templateButtons->addWidget(configure_);
    catalogueLayout->addLayout(templateButtons);
    auto* general = new QGroupBox("General", this);
    auto* grid = new QGridLayout(general);
    grid->addWidget(new QLabel("Title:", general), 0, 0);
    grid->addWidget(title_, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Vantelo window", general), 1, 0, 1, 3);
    grid->addWidget(new QLabel("Width:", general), 2, 0);
    grid->addWidget(widthSlider_, 2, 1);
    grid->addWidget(widthEdit_, 2, 2);
    grid->addWidget(new QLabel("Height:", general), 3, 0);
    grid->addWidget(heightSlider_, 3, 1);
    grid->addWidget(heightEdit_, 3, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(export_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pictures, 2);
    layout->addWidget(catalogue, 2);
    layout->addWidget(general);
    layout->addLayout(buttons);

    connect(export_, &QPushButton::clicked, this, [this] {
        ExecuteCommand(kGallerySave);
        export_->setEnabled(IsCommandEnabled(kGallerySave));
    });
    connect(close, &QPushButton::clicked, this, [this] {
        titleTyped_ = false;
        ExecuteCommand(kGalleryClose);
    });
    connect(configure_, &QPushButton::clicked, this, [] { ExecuteCommand(kGalleryConfigure); });
    connect(info, &QPushButton::clicked, this, [this] { OpenTemplateHelp(); });
    connect(templates_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OnTemplateChanged(templates_->row(item)); });
    connect(images_, &QListWidget::itemDoubleClicked, this, [this] { ShowSelectedImage(); });
    connect(images_, &QListWidget::currentRowChanged, this,
            [this](int row) { selectedImage_ = row; });
    connect(widthSlider_, &QSlider::valueChanged, this,
            [this](int value) { OnSliderMoved(true, value); });
    connect(heightSlider_, &QSlider::valueChanged, this,
            [this](int value) { OnSliderMoved(false, value); });
    // Losing the focus is what commits a typed title or size.
    for (QLineEdit* edit : {title_, widthEdit_, heightEdit_}) edit->installEventFilter(this);
}

bool InfoGallerySheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == title_) OnTitleEdited();
        if (watched == widthEdit_) OnSizeEdited(true);
        if (watched == heightEdit_) OnSizeEdited(false);
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Showing

void InfoGallerySheet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!templatesFilled_ && CurrentGallery() != nullptr) SelectDefaultTemplate();
}

void InfoGallerySheet::hideEvent(QHideEvent* event) {
    platform::DebugOutput("Hiding InfoGallerySheet\n");
    QWidget::hideEvent(event);
}

void InfoGallerySheet::FillTemplateList() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    const std::string folder = gallery->GetTemplateFolder();
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("thumb_", 0) != 0) continue;
        if (entry.is_directory(ec)) {
            platform::DebugOutput("Directories not cleared at the moment\n");
            continue;
        }
        if (!entry.is_regular_file(ec)) {
            platform::DebugOutput("SystemFile should not be here!\n");
            continue;
        }
        // "thumb_" + name + a three-letter extension; a shorter tail leaves no name.
        if (file.size() < 6 + 4) continue;
        names.push_back(file.substr(6, file.size() - 6 - 4));
    }
    // std::string compares as unsigned bytes: the order the catalogue is shown in.
    std::sort(names.begin(), names.end());

    templates_->clear();
    templateNames_.clear();
    for (const std::string& name : names) {
        const std::string preview = folder + name + ".jpg";
        QImage image(FromStd(preview));
        if (image.isNull()) {
            platform::ShowMessage(this, "Missing template preview image", preview);
            continue;
        }
        image = image.scaled(kPreviewSize, kPreviewSize, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
        templates_->addItem(new QListWidgetItem(QIcon(QPixmap::fromImage(image)), FromStd(name)));
        templateNames_.push_back(name);
    }
}

void InfoGallerySheet::SelectDefaultTemplate() {
    // The gallery is held across the message of a missing preview.
    LongOperation holding;
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    // The catalogue is read once, when a gallery first needs it.
    if (!templatesFilled_) {
        templatesFilled_ = true;
        FillTemplateList();
    }
    if (templateNames_.empty()) return;
    templates_->setCurrentRow(0);
    selectedTemplate_ = 0;
    SetDefaultTitle();
    gallery->SetTemplate(templateNames_[0]);
    ApplySettings();
    ShowPreview(true);
}

void InfoGallerySheet::SetDefaultTitle() {
    if (titleTyped_ || selectedTemplate_ < 0 ||
        static_cast<std::size_t>(selectedTemplate_) >= templateNames_.size()) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    titleText_ = platform::FormatC(
        "%s_%4d-%02d-%02d", templateNames_[static_cast<std::size_t>(selectedTemplate_)].c_str(),
        today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    title_->setText(FromStd(titleText_));
}

void InfoGallerySheet::OnTemplateChanged(int row) {
    // The gallery is held across the question.
    LongOperation holding;
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr || row < 0 || static_cast<std::size_t>(row) >= templateNames_.size())
        return;
    if (variablesChanged_ && row != selectedTemplate_) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            this, "All changed variables will be lost! Do you really want to use another template?",
            "Change template?", platform::MessageButtons::YesNo);
        if (answer == platform::PromptAnswer::No) {
            templates_->setCurrentRow(selectedTemplate_);
            return;
        }
        variablesChanged_ = false;
    }
    if (row == selectedTemplate_) return;
    selectedTemplate_ = row;
    gallery->ClearVariables();
    SetDefaultTitle();
    gallery->SetTemplate(templateNames_[static_cast<std::size_t>(row)]);
    ApplySettings();
    ShowPreview(true);
}

void InfoGallerySheet::OpenTemplateHelp() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    const std::string help =
        gallery->GetTemplateFolder() + "help_" + gallery->GetTemplateName() + ".htm";
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromStd(help)));
}

// ---- Title and size

void InfoGallerySheet::ShowSize() {
    widthEdit_->setText(QString::number(windowWidth_));
    heightEdit_->setText(QString::number(windowHeight_));
}

void InfoGallerySheet::ApplySettings() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    gallery->SetTitle(titleText_);
    gallery->SetWindowWidth(windowWidth_);
    gallery->SetWindowHeight(windowHeight_);
}

void InfoGallerySheet::OnTitleEdited() {
    const std::string text = title_->text().toStdString();
    if (text == titleText_) return;
    titleText_ = text;
    titleTyped_ = true;
    ApplySettings();
    ShowPreview(false);
}

void InfoGallerySheet::OnSizeEdited(bool width) {
    QLineEdit* edit = width ? widthEdit_ : heightEdit_;
    QSlider* slider = width ? widthSlider_ : heightSlider_;
    int& size = width ? windowWidth_ : windowHeight_;
    const int typed = AtoInt(edit->text().toStdString());
    if (typed == size) return;
    size = typed;
    {
        const QSignalBlocker quiet(slider);
        slider->setValue(typed);
    }
    ApplySettings();
    ShowPreview(false);
}

void InfoGallerySheet::OnSliderMoved(bool width, int value) {
    int& size = width ? windowWidth_ : windowHeight_;
    if (value == size) return;
    size = value;
    ShowSize();
    ApplySettings();
    ShowPreview(false);
}

// ---- The pictures

int InfoGallerySheet::GetImageCount() const {
    return images_->count();
}

int InfoGallerySheet::GetSelectedImage() const {
    const QList<QListWidgetItem*> selected = images_->selectedItems();
    return selected.isEmpty() ? -1 : images_->row(selected.first());
}

void InfoGallerySheet::SelectImage(int index) {
    if (index < 0 || index >= images_->count()) {
        images_->clearSelection();
        images_->setCurrentRow(-1);
        selectedImage_ = -1;
        return;
    }
    images_->setCurrentRow(index);
    images_->item(index)->setSelected(true);
    images_->scrollToItem(images_->item(index));
    selectedImage_ = index;
}

bool InfoGallerySheet::HasFocusedSelection() const {
    const QWidget* focus = QApplication::focusWidget();
    const bool focused = focus != nullptr && (focus == this || isAncestorOf(focus));
    return focused && GetSelectedImage() >= 0;
}

void InfoGallerySheet::UpdateControls() {
    const bool any = CurrentGallery() != nullptr && CurrentGallery()->GetImageCount() > 0;
    configure_->setEnabled(any);
    export_->setEnabled(IsCommandEnabled(kGallerySave));
}

void InfoGallerySheet::ClearImages() {
    images_->clear();
    thumbnails_.clear();
    selectedImage_ = -1;
    selectedTemplate_ = -1;
    variablesChanged_ = false;
    templates_->setCurrentRow(-1);
}

void InfoGallerySheet::RefillImageList() {
    Gallery* gallery = CurrentGallery();
    images_->clear();
    if (gallery == nullptr) return;
    for (int n = 1; n <= gallery->GetImageCount(); ++n) {
        const std::string& name = gallery->GetImage(n)->fileName;
        auto found = thumbnails_.find(name);
        if (found == thumbnails_.end()) {
            QImage thumb(FromStd(gallery->GetWorkingFolder() + Gallery::ThumbnailName(name)));
            if (!thumb.isNull()) thumb = thumb.scaled(48, 48, Qt::KeepAspectRatio);
            found = thumbnails_.emplace(name, QIcon(QPixmap::fromImage(thumb))).first;
        }
        images_->addItem(new QListWidgetItem(found->second, FromStd(name)));
    }
}

void InfoGallerySheet::Rebuild() {
    if (Progress* progress = GetProgress()) progress->SetTexts("Updating user interface...", "");
    // Thumbnails of pictures added again under an old name are made afresh.
    thumbnails_.clear();
    RefillImageList();
    if (Progress* progress = GetProgress()) progress->SetTexts("Generating HTML...", "");
    if (GetImageCount() > 0) {
        ShowPreview(false);
    } else {
        if (viewerView_ != nullptr) viewerView_->Navigate(kBlankPage);
        export_->setEnabled(false);
    }
    UpdateControls();
}

void InfoGallerySheet::ShowPage(int page) {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr || viewerView_ == nullptr) return;
    const std::string file = gallery->GetPageFile(page);
    if (!file.empty()) viewerView_->Navigate(file);
}

void InfoGallerySheet::ShowPreview(bool fromStart) {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    if (gallery->GetImageCount() == 0) {
        if (viewerView_ != nullptr) viewerView_->Navigate(FindDataFile(kEmptyPage));
        return;
    }
    const std::string shown = viewerView_ != nullptr ? viewerView_->GetPageUrl() : std::string();
    const std::string first = gallery->Generate();
    if (viewerView_ != nullptr) {
        std::string page = first;
        if (!fromStart && !shown.empty()) {
            const std::string local = QUrl(FromStd(shown)).isLocalFile()
                                          ? QUrl(FromStd(shown)).toLocalFile().toStdString()
                                          : shown;
            if (std::string generated = gallery->FindGeneratedPage(local); !generated.empty()) {
                page = std::move(generated);
            }
        }
        if (!page.empty()) viewerView_->Navigate(page);
    }
    export_->setEnabled(IsCommandEnabled(kGallerySave));
}

int InfoGallerySheet::MoveSelectedUp() {
    Gallery* gallery = CurrentGallery();
    const int row = GetSelectedImage();
    if (gallery == nullptr || row < 0) return -1;
    const int index = gallery->MoveImageUp(images_->item(row)->text().toStdString());
    RefillImageList();
    SelectImage(index);
    ShowPreview(false);
    return index;
}

int InfoGallerySheet::MoveSelectedDown() {
    Gallery* gallery = CurrentGallery();
    const int row = GetSelectedImage();
    if (gallery == nullptr || row < 0) return -1;
    const int index = gallery->MoveImageDown(images_->item(row)->text().toStdString());
    RefillImageList();
    SelectImage(index);
    ShowPreview(false);
    return index;
}

void InfoGallerySheet::RemoveSelected() {
    Gallery* gallery = CurrentGallery();
    const int row = GetSelectedImage();
    if (gallery == nullptr || row < 0) return;
    gallery->RemoveImage(images_->item(row)->text().toStdString());
    RefillImageList();
    SelectImage(std::min(row, GetImageCount() - 1));
    ShowPreview(false);
    UpdateControls();
}

void InfoGallerySheet::RemoveAllImages() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    gallery->RemoveAllImages();
    RefillImageList();
    ShowPreview(false);
    SelectImage(-1);
    UpdateControls();
}

void InfoGallerySheet::ShowSelectedImage() {
    const int row = GetSelectedImage();
    if (row >= 0 && infoView_ != nullptr) infoView_->ShowGalleryImage(row);
}

void InfoGallerySheet::OnSheetCommand(int id) {
    if (id == kViewImage) {
        ShowSelectedImage();
    } else {
        ExecuteCommand(id);
    }
}
