#include <cmath>
#include <cstdio>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSlider>

#include "platform/text/Text.h"
#include "studio/core/Properties.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/prefs/PrefPages.h"

namespace {

constexpr int kZoomSteps[] = {10, 20, 30, 50, 100, 200, 500, 1000};  // list entries 1-8
constexpr int kLockBits[] = {0, 1, 2, 4, 5, 6};
constexpr int kFitWidth = 0x11;
constexpr int kFitHeight = 0x22;

QSlider* AddSlider(QFormLayout* form, const char* label, int id) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QString::number(id));
    slider->setRange(0, 10);
    form->addRow(label, slider);
    return slider;
}

QLineEdit* AddEdit(QFormLayout* form, const char* label, int id) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::number(id));
    form->addRow(label, edit);
    return edit;
}

}  // namespace

std::string ColourText(int colour) {
    return platform::FormatC(
        "%06x", static_cast<unsigned>(SwapRedBlue(static_cast<std::uint32_t>(colour) & 0xFFFFFFu)));
}

bool ParseColourText(const std::string& text, int& colour) {
    if (text.empty() || text.size() > 6) return false;
    unsigned value = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%x%n", &value, &used) != 1 ||
        used != static_cast<int>(text.size())) {
        return false;
    }
    colour = static_cast<int>(SwapRedBlue(value));
    return true;
}

int FitChoice(int fit) {
    return ((fit & kFitWidth) != 0 ? 1 : 0) | ((fit & kFitHeight) != 0 ? 2 : 0);
}

int FitValue(int choice, int previous) {
    if (choice == FitChoice(previous)) return previous;
    return (previous & ~(kFitWidth | kFitHeight)) | ((choice & 1) != 0 ? kFitWidth : 0) |
           ((choice & 2) != 0 ? kFitHeight : 0);
}

PropPageVantelo::PropPageVantelo() : PropertyPage(151, "Vantelo") {
    auto* form = new QFormLayout(this);
    const auto addZoom = [&](Zoom& zoom, const char* label, int listId, int editId) {
        auto* row = new QHBoxLayout;
        zoom.list = new QComboBox;
        zoom.list->setObjectName(QString::number(listId));
        zoom.list->addItem("Custom");
        for (int step : kZoomSteps) zoom.list->addItem(QString("%1 %").arg(step));
        zoom.custom = new QLineEdit;
        zoom.custom->setObjectName(QString::number(editId));
        row->addWidget(zoom.list);
        row->addWidget(zoom.custom);
        form->addRow(label, row);
        connect(zoom.list, &QComboBox::currentIndexChanged, this, [this, &zoom](int index) {
            zoom.custom->setEnabled(index == 0);
            if (IsInitialised()) SetModified();
        });
        connect(zoom.custom, &QLineEdit::textEdited, this, [this] { SetModified(); });
    };
    addZoom(min_, "Minimum zoom:", 1110, 1111);
    addZoom(max_, "Maximum zoom:", 1112, 1113);
    borderWidth_ = AddSlider(form, "Border width:", 1114);
    borderHeight_ = AddSlider(form, "Border height:", 1115);
    background_ = AddEdit(form, "Background colour:", 1116);
    border_ = AddEdit(form, "Border colour:", 1117);
    auto* lockBox = new QGroupBox("Lock");
    auto* lockGrid = new QGridLayout(lockBox);
    const char* lockNames[] = {"No panning",     "No zooming", "Pan past the edges",
                               "No full screen", "No saving",  "No printing"};
    for (int i = 0; i < 6; ++i) {
        auto* check = new QCheckBox(lockNames[i]);
        check->setObjectName(QString::number(1120 + i));
        lockGrid->addWidget(check, i / 3, i % 3);
        locks_.push_back(check);
        connect(check, &QCheckBox::toggled, this, [this] {
            if (IsInitialised()) SetModified();
        });
    }
    form->addRow(lockBox);
    fit_ = new QComboBox;
    fit_->setObjectName("1126");
    fit_->addItems({"NONE", "Width", "Height", "Width and Height"});
    form->addRow("Fit:", fit_);
    connect(fit_, &QComboBox::currentIndexChanged, this, [this] {
        if (IsInitialised()) SetModified();
    });
    for (QSlider* slider : {borderWidth_, borderHeight_}) {
        connect(slider, &QSlider::valueChanged, this, [this] {
            if (IsInitialised()) SetModified();
        });
    }
    for (QLineEdit* edit : {background_, border_}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(); });
    }
}

void PropPageVantelo::InitZoom(Zoom& zoom, float value) {
    zoom.stored = value;
    const int percent = static_cast<int>(value * 100);
    int index = 0;
    for (int i = 0; i < 8; ++i) {
        if (kZoomSteps[i] == percent &&
            std::fabs(value * 100 - static_cast<float>(percent)) < 0.001f) {
            index = i + 1;
        }
    }
    zoom.list->setCurrentIndex(index);
    zoom.custom->setEnabled(index == 0);
    zoom.custom->setText(index == 0 ? QString::number(static_cast<double>(value) * 100, 'g', 6)
                                    : QString());
    zoom.shownIndex = index;
    zoom.shownCustom = zoom.custom->text();
}

float PropPageVantelo::ZoomOf(const Zoom& zoom) {
    const int index = zoom.list->currentIndex();
    // Unchanged choices keep the stored value exactly.
    if (index == zoom.shownIndex && zoom.custom->text() == zoom.shownCustom) return zoom.stored;
    if (index > 0) return static_cast<float>(kZoomSteps[index - 1]) / 100;
    bool ok = false;
    const double percent = zoom.custom->text().toDouble(&ok);
    if (!ok || percent <= 0) return zoom.stored;
    return static_cast<float>(percent / 100);
}

void PropPageVantelo::Init() {
    const Properties& properties = Properties::Instance();
    InitZoom(min_, properties.GetMinZoom());
    InitZoom(max_, properties.GetMaxZoom());
    borderWidth_->setValue(properties.GetBorderSize().x);
    borderHeight_->setValue(properties.GetBorderSize().y);
    shownBackground_ = QString::fromStdString(ColourText(properties.GetBgColor()));
    shownBorder_ = QString::fromStdString(ColourText(properties.GetBorderColor()));
    background_->setText(shownBackground_);
    border_->setText(shownBorder_);
    for (int i = 0; i < 6; ++i) {
        locks_[static_cast<std::size_t>(i)]->setChecked((properties.GetLock() >> kLockBits[i]) & 1);
    }
    fit_->setCurrentIndex(FitChoice(properties.GetFit()));
}

void PropPageVantelo::Apply() {
    Properties& properties = Properties::Instance();
    const float minZoom = ZoomOf(min_);
    const float maxZoom = ZoomOf(max_);
    if (minZoom != properties.GetMinZoom()) properties.SetMinZoom(minZoom);
    if (maxZoom != properties.GetMaxZoom()) properties.SetMaxZoom(maxZoom);
    const Vector2<int> border{borderWidth_->value(), borderHeight_->value()};
    if (border != properties.GetBorderSize()) properties.SetBorderSize(border);
    int colour = 0;
    if (background_->text() != shownBackground_ &&
        ParseColourText(background_->text().toStdString(), colour)) {
        properties.SetBgColor(colour);
    }
    if (border_->text() != shownBorder_ && ParseColourText(border_->text().toStdString(), colour)) {
        properties.SetBorderColor(colour);
    }
    // Bits without a box stay as they were.
    int lock = properties.GetLock();
    for (int i = 0; i < 6; ++i) {
        const int bit = 1 << kLockBits[i];
        lock = locks_[static_cast<std::size_t>(i)]->isChecked() ? (lock | bit) : (lock & ~bit);
    }
    if (lock != properties.GetLock()) properties.SetLock(lock);
    const int fit = FitValue(fit_->currentIndex(), properties.GetFit());
    if (fit != properties.GetFit()) properties.SetFit(fit);
}
