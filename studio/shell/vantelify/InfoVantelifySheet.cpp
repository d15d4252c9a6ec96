#include "studio/shell/vantelify/InfoVantelifySheet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSizePolicy>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/files/FileOps.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Ascii.h"
#include "studio/core/FileSelection.h"
#include "studio/core/GalleryImage.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageChoices.h"
#include "studio/projects/PageSave.h"
#include "studio/projects/PageScan.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/vantelify/PageShownSizes.h"
#include "studio/shell/vantelify/PageThumbnails.h"
#include "studio/shell/vantelify/VantelifyList.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

constexpr const char* kEmptyPage = "Help/Vantelify/empty.htm";
constexpr const char* kPictureFilter = "Jpeg images|*.jpg|All Files (*.*)|*.*||";

QPushButton* Button(QWidget* parent, int id, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

QLineEdit* Field(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    return edit;
}

// A number field wide enough for five digits: pictures are thousands of pixels wide.
QLineEdit* NumberField(QWidget* parent, int id) {
    QLineEdit* edit = Field(parent, id);
    const QMargins margins = edit->textMargins();
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("99999")) +
                          margins.left() + margins.right() + 16);
    return edit;
}

// A path in a narrow pane: shown whole when it fits, else with its middle elided (the whole
// path is the tooltip); it never widens the sheet.
class PathLabel final : public QLabel {
public:
    explicit PathLabel(QWidget* parent) : QLabel(parent) {
        setProperty("elidesText", true);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        const QString tip = shown == text() ? QString() : text();
        if (toolTip() != tip) setToolTip(tip);
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(area, static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter), shown);
    }
};

QLabel* Label(QWidget* parent, const char* text, int id = 0) {
    auto* label = new QLabel(text, parent);
    if (id != 0) label->setObjectName(QString::number(id));
    return label;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void SetText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
}

void KeepRoomWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// A number typed into a field, 0 when it is none.
int Number(const QLineEdit* edit) {
    return edit->text().trimmed().toInt();
}

// The browser reports a URL; the project knows paths. The address is lower-cased, so it
// serves only for comparing.
std::string LoadedAddress(const std::string& url) {
    const QUrl parsed(QString::fromStdString(url));
    if (parsed.isLocalFile()) return parsed.toLocalFile().toStdString();
    return url;
}

bool SameText(const std::string& a, const std::string& b) {
    return platform::ToLowerAscii(a) == platform::ToLowerAscii(b);
}

}  // namespace

InfoVantelifySheet::InfoVantelifySheet(QWidget* parent) : QWidget(parent) {
    setObjectName("159");
    BuildControls();
    ShowSelection();
}

InfoVantelifySheet::~InfoVantelifySheet() = default;

void InfoVantelifySheet::BuildControls() {
    zoomable_ = new QCheckBox("Vantelify", this);
    zoomable_->setObjectName("1078");
    list_ = new VantelifyList(this);
    list_->setIconSize(QSize(kPageThumbSize, kPageThumbSize));
    zoomHeight_ = NumberField(this, 1081);
    zoomSource_ = Field(this, 1079);
    pagePicture_ = Field(this, 1077);
    zoomWidth_ = NumberField(this, 1080);
    pageHeight_ = NumberField(this, 1065);
    pageWidth_ = NumberField(this, 1059);
    status_ = new PathLabel(this);
    status_->setObjectName("1211");
    stop_ = Button(this, 1184, "Stop");
    back_ = Button(this, 1046, "Back");
    preview_ = Button(this, 1163, "Preview");
    export_ = Button(this, kVantelifySave, "Export HTML");
    QPushButton* close = Button(this, 1165, "Close");
    QPushButton* url = Button(this, 1082, "Url");
    QPushButton* alt = Button(this, 1085, "Alt");

    auto* group = new QGroupBox("Supported images on page", this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(list_);
    groupLayout->addWidget(zoomable_);

    auto* fields = new QGridLayout;
    QLabel* image = Label(this, "Image");
    QLabel* windowWidth = Label(this, "WindowWidth", 1083);
    QLabel* windowHeight = Label(this, "WindowHeight", 1084);
    QLabel* page = Label(this, "Page");
    QLabel* altWidth = Label(this, "Alt Width", 1086);
    QLabel* altHeight = Label(this, "Alt Height", 1087);
    // One value a row: the pane is too narrow for two numbers with their labels side by side.
    fields->addWidget(image, 0, 0);
    fields->addWidget(zoomSource_, 0, 1);
    fields->addWidget(url, 0, 2);
    fields->addWidget(windowWidth, 1, 0);
    fields->addWidget(zoomWidth_, 1, 1, Qt::AlignLeft);
    fields->addWidget(windowHeight, 2, 0);
    fields->addWidget(zoomHeight_, 2, 1, Qt::AlignLeft);
    fields->addWidget(page, 3, 0);
    fields->addWidget(pagePicture_, 3, 1);
    fields->addWidget(alt, 3, 2);
    fields->addWidget(altWidth, 4, 0);
    fields->addWidget(pageWidth_, 4, 1, Qt::AlignLeft);
    fields->addWidget(altHeight, 5, 0);
    fields->addWidget(pageHeight_, 5, 1, Qt::AlignLeft);
    fields->setColumnStretch(1, 1);
    fieldControls_ = {zoomHeight_, zoomSource_, pagePicture_, zoomWidth_,   pageHeight_,
                      pageWidth_,  image,       windowWidth,  windowHeight, page,
                      altWidth,    altHeight,   url,          alt};
    // Hidden fields and check box keep their room: the list and the check box stay where
    // they are whichever row is selected, so a second click lands on the same box.
    for (QWidget* control : fieldControls_) KeepRoomWhenHidden(control);
    KeepRoomWhenHidden(zoomable_);

    auto* current = new QHBoxLayout;
    current->addWidget(Label(this, "Current page"));
    current->addWidget(status_, 1);
    // Two rows: five buttons side by side do not fit the pane's width.
    auto* buttons = new QGridLayout;
    buttons->addWidget(back_, 0, 0);
    buttons->addWidget(stop_, 0, 1);
    buttons->addWidget(preview_, 0, 2);
    buttons->addWidget(export_, 1, 0, 1, 2);
    buttons->addWidget(close, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(current);
    layout->addWidget(group, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_) OnSelectionChanged(row);
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ShowZoomSourceFacts(); });
    // Only the user's clicks toggle: the sheet sets the box itself as the selection moves.
    connect(zoomable_, &QCheckBox::clicked, this, [this](bool on) { OnToggle(on); });
    connect(url, &QPushButton::clicked, this, [this] { AskForFile(kZoomSourceField); });
    connect(alt, &QPushButton::clicked, this, [this] { AskForFile(kPagePictureField); });
    connect(preview_, &QPushButton::clicked, this, [this] {
        Vantelifier* project = CurrentVantelifier();
        if (project == nullptr) return;
        TakeFields();
        reading_ = true;
        project->WritePreview(page_);
    });
    connect(back_, &QPushButton::clicked, this, [this] {
        Vantelifier* project = CurrentVantelifier();
        if (project != nullptr && viewerView_ != nullptr) {
            viewerView_->Navigate(project->GetPreviewPath());
        }
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (viewerView_ != nullptr) viewerView_->StopPage();
    });
    connect(export_, &QPushButton::clicked, this, [] { ExecuteCommand(kVantelifySave); });
    connect(close, &QPushButton::clicked, this, [] { ExecuteCommand(kVantelifyClose); });
}

void InfoVantelifySheet::BeginLoad() {
    const Vantelifier* project = CurrentVantelifier();
    const bool hasPage = project != nullptr && !project->GetPagePath().empty();
    status_->setText(hasPage ? "Loading..." : "No HTML page selected");
    back_->setEnabled(false);
    ClearImages();
    page_ = VantelifyPage();
    selected_ = -1;
    FillFields(PageImage());
    ShowSelection();
    reading_ = true;
}

void InfoVantelifySheet::ClearImages() {
    filling_ = true;
    list_->clear();
    filling_ = false;
    thumbnails_.clear();
}

void InfoVantelifySheet::ShowPreview() {
    if (viewerView_ == nullptr) return;
    const Vantelifier* project = CurrentVantelifier();
    if (project != nullptr && !project->GetPagePath().empty()) {
        viewerView_->Navigate(project->GetPreviewPath());
    } else {
        viewerView_->Navigate(FindDataFile(kEmptyPage));
    }
    stop_->setEnabled(true);
}

void InfoVantelifySheet::ScanPage() {
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr || viewerView_ == nullptr || viewerView_->GetShownControl() != 1) {
        return;
    }
    const std::string address = LoadedAddress(viewerView_->GetPageUrl());
    if (SameText(address, FindDataFile(kEmptyPage))) return;

    stop_->setEnabled(false);
    status_->setText(QString::fromStdString(project->GetPagePath()));
    if (!project->IsPageOrPreview(address)) {
        if (!status_->text().isEmpty()) {
            back_->setEnabled(true);
        } else {
            preview_->setEnabled(false);
            export_->setEnabled(false);
        }
        return;
    }
    preview_->setEnabled(true);
    export_->setEnabled(true);
    back_->setEnabled(false);
    if (!reading_) return;
    reading_ = false;
    // The address only says which of the two files was loaded; names are read as they are.
    const bool preview = SameText(address, project->GetPreviewPath());
    ReadPage(*project, preview ? project->GetPreviewPath() : project->GetPagePath());
}

void InfoVantelifySheet::ReadPage(Vantelifier& project, const std::string& path) {
    std::string text;
    int headOffset = VantelifyPage::kNoHead;
    bool hasBody = true;
    bool foreign = false;
    std::vector<PageImage> images = ScanPageFile(path, text, headOffset, hasBody, foreign);
    // The browser laid the page out: its sizes hold for every picture it decoded, also those
    // the studio's reader cannot read.
    if (viewerView_ != nullptr && viewerView_->browser() != nullptr && !images.empty()) {
        TakeShownSizes(images, ReadShownPictures(*viewerView_->browser()));
    }
    page_.text = std::move(text);
    page_.headOffset = headOffset;
    page_.images = std::move(images);

    ClearImages();
    const std::string folder = FolderOf(path);
    filling_ = true;
    for (PageImage& image : page_.images) {
        FillPageDefaults(image, folder);
        PageThumbnails pictures = MakePageThumbnails(PageThumbnailFile(image, folder));
        thumbnails_.push_back(std::move(pictures.grey));
        thumbnails_.push_back(std::move(pictures.plain));
        thumbnails_.push_back(std::move(pictures.marked));
        const int record = static_cast<int>(thumbnails_.size() / 3) - 1;
        list_->addItem(new QListWidgetItem(QString::fromStdString(image.label)));
        SetRowPicture(record, image.zoomable ? 2 : 0);
    }
    if (selected_ >= static_cast<int>(page_.images.size())) selected_ = -1;
    list_->setCurrentRow(selected_);
    filling_ = false;
    ShowSelection();

    const std::string pagePath = project.GetPagePath();
    if (page_.images.empty()) {
        if (pagePath == lastReported_) return;
        lastReported_ = pagePath;
        platform::ShowMessage(
            this,
            hasBody ? "Web page does not contain any images of recognized types (jpeg, png, bmp, "
                      "or tga)\n\nThis page can not be Vantelified!\n"
                    : "No body found in page\nIt is not possible to vantelify a frameset, you "
                      "will need to Vantelify each individual frame page\n",
            "Vantelify");
        ExecuteCommand(kVantelifyClose);
        return;
    }
    if (foreign && pagePath != lastReported_) {
        lastReported_ = pagePath;
        const platform::PromptAnswer answer = platform::ShowMessage(
            this,
            "Vantelo was detected on the page but it was not originally \nadded by Vantelo "
            "studio\nVantelifying manually created Vantelo pages is not supported\nand will "
            "most probably result in errors on the page\nAbort? (recommended)\n",
            "Vantelify", platform::MessageButtons::YesNo);
        if (answer == platform::PromptAnswer::Yes) ExecuteCommand(kVantelifyClose);
    }
}

void InfoVantelifySheet::OnSelectionChanged(int row) {
    const int count = static_cast<int>(page_.images.size());
    if (selected_ >= 0 && selected_ < count) {
        if (page_.images[static_cast<std::size_t>(selected_)].zoomable) {
            TakeFields();
            SetRowPicture(selected_, 2);
        } else {
            SetRowPicture(selected_, 0);
        }
    }
    selected_ = row >= 0 && row < count ? row : -1;
    ShowSelection();
}

void InfoVantelifySheet::ShowSelection() {
    if (selected_ < 0 || selected_ >= static_cast<int>(page_.images.size())) {
        zoomable_->hide();
        ShowFields(false);
        return;
    }
    const PageImage& image = page_.images[static_cast<std::size_t>(selected_)];
    zoomable_->show();
    zoomable_->setChecked(image.zoomable);
    // The fields always hold the selected record's values, shown or not: Preview and Save
    // take them into that record.
    FillFields(image);
    SetRowPicture(selected_, image.zoomable ? 2 : 1);
    ShowFields(image.zoomable);
}

void InfoVantelifySheet::OnToggle(bool on) {
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr || selected_ < 0 || selected_ >= static_cast<int>(page_.images.size())) {
        return;
    }
    const auto index = static_cast<std::size_t>(selected_);
    if (on) {
        FillFields(page_.images[index]);
        ShowFields(true);
        SetRowPicture(selected_, 2);
    } else {
        ShowFields(false);
        SetRowPicture(selected_, 0);
    }
    SetZoomable(page_, index, on, *project);
}

void InfoVantelifySheet::ShowFields(bool shown) {
    for (QWidget* control : fieldControls_) control->setVisible(shown);
}

void InfoVantelifySheet::FillFields(const PageImage& image) {
    SetText(zoomSource_, image.zoomSource);
    SetText(zoomWidth_, std::to_string(image.zoomWidth));
    SetText(zoomHeight_, std::to_string(image.zoomHeight));
    SetText(pagePicture_, image.pagePicture);
    SetText(pageWidth_, std::to_string(image.pageWidth));
    SetText(pageHeight_, std::to_string(image.pageHeight));
}

void InfoVantelifySheet::TakeFields() {
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr || selected_ < 0) return;
    PageImageFields fields;
    fields.zoomSource = Text(zoomSource_);
    fields.zoomWidth = Number(zoomWidth_);
    fields.zoomHeight = Number(zoomHeight_);
    fields.pagePicture = Text(pagePicture_);
    fields.pageWidth = Number(pageWidth_);
    fields.pageHeight = Number(pageHeight_);
    ApplyFields(page_, static_cast<std::size_t>(selected_), fields, *project);
}

void InfoVantelifySheet::SetRowPicture(int record, int variant) {
    const auto slot = static_cast<std::size_t>(record) * 3 + static_cast<std::size_t>(variant);
    QListWidgetItem* item = list_->item(record);
    if (item == nullptr || slot >= thumbnails_.size()) return;
    item->setIcon(QIcon(QPixmap::fromImage(thumbnails_[slot])));
}

bool InfoVantelifySheet::WritePage(const std::string& path) {
    return ::WritePage(page_, path);
}

bool InfoVantelifySheet::Save(const std::string& path) {
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr || infoView_ == nullptr) return false;
    TakeFields();
    return SavePage(page_, *project, *infoView_, path);
}

void InfoVantelifySheet::AskForFile(DropField field) {
    if (CurrentVantelifier() == nullptr || selected_ < 0) return;
    platform::FileDialogRequest request;
    request.filter = kPictureFilter;
    const std::optional<std::string> file = platform::CurrentPrompts().FileDialog(this, request);
    if (file) ChooseFile(field, *file, false);
}

void InfoVantelifySheet::ChooseFile(DropField field, const std::string& file, bool dropped) {
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr || selected_ < 0 || selected_ >= static_cast<int>(page_.images.size())) {
        return;
    }
    const auto index = static_cast<std::size_t>(selected_);
    // The other fields may hold edits; a new zoom source rescans the preview, which would
    // otherwise put the record's old values back.
    TakeFields();
    if (field == kZoomSourceField) {
        reading_ = true;
        if (!ChooseZoomSource(page_, index, file, *project)) reading_ = false;
    } else if (field == kPagePictureField) {
        ChoosePagePicture(page_, index, file, dropped, *project);
    }
    FillFields(page_.images[index]);
}

void InfoVantelifySheet::ShowZoomSourceFacts() {
    const Vantelifier* project = CurrentVantelifier();
    if (infoView_ == nullptr || project == nullptr || selected_ < 0 ||
        selected_ >= static_cast<int>(page_.images.size())) {
        return;
    }
    const PageImage& image = page_.images[static_cast<std::size_t>(selected_)];
    if (image.pictureWidth <= 0 || image.pictureHeight <= 0) return;
    PageImage source = image;
    source.plainTag = false;  // the facts are the zoom source's
    const std::string file = PageThumbnailFile(source, project->GetPageFolder());
    GalleryImage facts;
    facts.fileName = image.zoomSource;
    facts.width = image.pictureWidth;
    facts.height = image.pictureHeight;
    facts.imageBytes = image.pictureBytes;
    facts.fileSize = static_cast<std::int64_t>(platform::FileSizeOf(file).value_or(0));
    infoView_->ShowFile(file, &facts);
}

InfoVantelifySheet::DropField InfoVantelifySheet::FieldAt(const QPoint& point) const {
    if (infoView_ == nullptr) return kNoField;
    const QPoint global = infoView_->mapToGlobal(point);
    for (auto [edit, field] :
         {std::pair{zoomSource_, kZoomSourceField}, std::pair{pagePicture_, kPagePictureField}}) {
        if (edit->isVisible() && edit->rect().contains(edit->mapFromGlobal(global))) return field;
    }
    return kNoField;
}

int InfoVantelifySheet::CanDrop(const QMimeData* mime, Qt::KeyboardModifiers /*keyState*/,
                                const QPoint& point) {
    if (mime == nullptr || !mime->hasFormat(kFileListMimeType) || selected_ < 0) return kDropNone;
    return FieldAt(point) == kNoField ? kDropNone : kDropCopy;
}

bool InfoVantelifySheet::Drop(const QMimeData* mime, int /*effect*/, const QPoint& point) {
    const DropField field = FieldAt(point);
    PidlPath folder;
    std::vector<PidlPath> items;
    if (field == kNoField || !ReadFileListData(mime, folder, items)) return false;
    FileSelection selection;
    selection.Set(folder, items);
    const PidlPath first = selection.GetFirstItemPath();
    if (!first.IsValid()) return false;
    const std::string file = first.GetPath();
    if (!IsImageFile(file)) return false;
    ChooseFile(field, file, true);
    return true;
}
