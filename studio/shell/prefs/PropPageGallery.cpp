#include <string>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSlider>
#include <QTemporaryDir>

#include "platform/text/Text.h"
#include "studio/core/Properties.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/prefs/PrefPages.h"

namespace {

// A slider with its value beside it: a position alone does not tell 75 from 80.
QSlider* AddSlider(QFormLayout* form, const char* label, int id, int low, int high) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* slider = new QSlider(Qt::Horizontal, row);
    slider->setObjectName(QString::number(id));
    slider->setRange(low, high);
    auto* value = new QLabel(QString::number(slider->value()), row);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // As wide as the widest value, so the slider keeps its length as the number changes.
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::number(high)));
    QObject::connect(slider, &QSlider::valueChanged, value,
                     [value](int now) { value->setText(QString::number(now)); });
    layout->addWidget(slider, 1);
    layout->addWidget(value);
    form->addRow(label, row);
    return slider;
}

QLabel* AddLabel(QFormLayout* form, const char* label, int id) {
    auto* text = new QLabel;
    text->setObjectName(QString::number(id));
    form->addRow(label, text);
    return text;
}

}  // namespace

PropPageGallery::PropPageGallery(std::string preview)
    : PropertyPage(150, "Gallery"), source_(std::move(preview)) {
    auto* form = new QFormLayout(this);
    size_ = AddSlider(form, "Thumbnail size:", 1100, 32, 160);
    quality_ = AddSlider(form, "JPEG quality:", 1101, 0, 100);
    colour_ = new QLineEdit;
    colour_->setObjectName("1102");
    colour_->setMaxLength(6);
    form->addRow("Background colour:", colour_);
    picture_ = AddLabel(form, "Preview:", 1103);
    fileSize_ = AddLabel(form, "File size:", 1104);
    pictureSize_ = AddLabel(form, "Picture size:", 1105);
    for (QSlider* slider : {size_, quality_}) {
        connect(slider, &QSlider::valueChanged, this, [this] {
            if (!IsInitialised()) return;
            SetModified();
            UpdatePreview();
        });
    }
    connect(colour_, &QLineEdit::textEdited, this, [this] {
        SetModified();
        UpdatePreview();
    });
}

// The folder goes with the page, and the preview with it.
PropPageGallery::~PropPageGallery() = default;

std::string PropPageGallery::PreviewName() {
    // A folder of this page's own (made once, readable by the user alone): the shared
    // temporary folder's names are anyone's to take, and other studios preview there too.
    if (previewFolder_ == nullptr) {
        previewFolder_ = std::make_unique<QTemporaryDir>();
        if (!previewFolder_->isValid()) {
            previewFolder_.reset();
            return {};
        }
    }
    return previewFolder_->filePath("preview.jpg").toStdString();
}

void PropPageGallery::Init() {
    if (source_.empty()) source_ = FindDataFile("AppData/Preview.png");
    const Properties& properties = Properties::Instance();
    size_->setValue(properties.GetThumbSize().x);
    quality_->setValue(properties.GetThumbQuality());
    colour_->setText(QString::fromStdString(ColourText(properties.GetThumbColor())));
    UpdatePreview();
}

void PropPageGallery::UpdatePreview() {
    const int side = size_->value();
    int colour = Properties::Instance().GetThumbColor();
    ParseColourText(colour_->text().toStdString(), colour);
    // One file, rewritten on every change: the label holds its own copy of the picture.
    const std::string file = PreviewName();
    if (source_.empty() || file.empty() ||
        !SaveThumbnailJpeg({side, side}, source_, file, quality_->value(), nullptr, nullptr,
                           nullptr, nullptr, static_cast<std::uint32_t>(colour), 0)) {
        previewFile_.clear();
        picture_->clear();
        fileSize_->clear();
        pictureSize_->clear();
        return;
    }
    previewFile_ = file;
    const int bytes = static_cast<int>(GetFileSize(file));
    picture_->setPixmap(QPixmap(QString::fromStdString(file)));
    fileSize_->setText(QString::fromStdString(
        platform::FormatC("%.0d kb (%d bytes)", (bytes + 512) / 1024, bytes)));
    pictureSize_->setText(QString::fromStdString(platform::FormatC("%d x %d", side, side)));
}

void PropPageGallery::Apply() {
    Properties& properties = Properties::Instance();
    const int side = size_->value();
    // A size of unequal sides set elsewhere stays until the slider moves.
    if (side != properties.GetThumbSize().x) {
        properties.SetThumbSize({side, side});
    }
    int colour = properties.GetThumbColor();
    if (ParseColourText(colour_->text().toStdString(), colour) &&
        colour != properties.GetThumbColor()) {
        properties.SetThumbColor(colour);
    }
    if (quality_->value() != properties.GetThumbQuality()) {
        properties.SetThumbQuality(quality_->value());
    }
}
