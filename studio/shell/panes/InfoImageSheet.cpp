#include "studio/shell/panes/InfoImageSheet.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/viewer/LazyBrowser.h"
#include "studio/shell/viewer/WebBrowser2.h"

namespace {

// The fill behind the actions and of the picture strip.
const QColor kSheetColour(0xD5, 0xE3, 0xF0);
// The size of the banner pictures in the data folder.
constexpr int kBannerWidth = 300;
constexpr int kBannerHeight = 60;

// The six fact fields in the order of their labels' ids.
constexpr int kValueIds[6] = {InfoImageSheet::kFileSize,     InfoImageSheet::kMemory,
                              InfoImageSheet::kReducedTo,    InfoImageSheet::kDimension,
                              InfoImageSheet::kCurrentScale, InfoImageSheet::kUpperLeftPixel};
constexpr const char* kLabelTexts[6] = {
    "FileSize:", "Memory:", "Reduced to:", "Dimension:", "Current scale:", "Upper left pixel:"};

QString Id(int id) {
    return QString::number(id);
}

QPushButton* MakeButton(const char* text, int id, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(Id(id));
    button->setAutoDefault(false);
    return button;
}

void ShowControl(QWidget* control, bool show, bool enable) {
    control->setVisible(show);
    control->setEnabled(enable);
}

}  // namespace

InfoImageSheet::InfoImageSheet(InfoView* infoView, const BrowserMaker& makeBanner, QWidget* parent)
    : QWidget(parent), infoView_(infoView) {
    setObjectName(Id(kDialogId));
    BuildControls(makeBanner);
    ShowFields(true);
}

InfoImageSheet::~InfoImageSheet() {
    // A banner still loading must not report into a sheet that is going.
    if (banner_ != nullptr) banner_->Stop();
}

void InfoImageSheet::BuildControls(const BrowserMaker& makeBanner) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    banner_ =
        new CWebBrowser2(makeBanner ? makeBanner(this) : MakeLazyWebEngineBrowser(this), this);
    banner_->setObjectName(Id(kBanner));
    banner_->setFixedSize(kBannerWidth, kBannerHeight);
    layout->addWidget(banner_, 0, Qt::AlignHCenter);

    auto* information = new QGroupBox("Information", this);
    information->setObjectName(Id(kInformationGroup));
    auto* facts = new QGridLayout(information);
    facts->setHorizontalSpacing(8);
    facts->setVerticalSpacing(3);
    facts->setColumnStretch(1, 1);
    auto* pathLabel = new QLabel("Path:", information);
    pathField_ = new QLineEdit(information);
    pathField_->setObjectName(Id(kPath));
    pathField_->setReadOnly(true);
    facts->addWidget(pathLabel, 0, 0);
    facts->addWidget(pathField_, 0, 1);
    for (int i = 0; i < 6; ++i) {
        labels_[i] = new QLabel(kLabelTexts[i], this);
        labels_[i]->setObjectName(Id(kFileSizeLabel + i));
        values_[i] = new QLabel(this);
        values_[i]->setObjectName(Id(kValueIds[i]));
        values_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    facts->addWidget(labels_[0], 1, 0);
    facts->addWidget(values_[0], 1, 1);
    picture_ = new QWidget(information);
    picture_->setObjectName(Id(kPicture));
    picture_->setFixedHeight(4);
    facts->addWidget(picture_, 2, 0, 1, 2);
    for (int i = 1; i < 4; ++i) {
        facts->addWidget(labels_[i], i + 2, 0);
        facts->addWidget(values_[i], i + 2, 1);
    }
    layout->addWidget(information);

    auto* viewing = new QGroupBox("Viewing", this);
    auto* view = new QGridLayout(viewing);
    view->setHorizontalSpacing(8);
    view->setVerticalSpacing(3);
    view->setColumnStretch(1, 1);
    for (int i = 4; i < 6; ++i) {
        view->addWidget(labels_[i], i - 4, 0);
        view->addWidget(values_[i], i - 4, 1);
    }
    auto* stepping = new QHBoxLayout;
    previous_ = MakeButton("<", kPrevious, viewing);
    fullscreen_ = MakeButton("Fullscreen", kFullscreen, viewing);
    next_ = MakeButton(">", kNext, viewing);
    previous_->setFixedWidth(32);
    next_->setFixedWidth(32);
    stepping->addWidget(previous_);
    stepping->addWidget(fullscreen_, 1);
    stepping->addWidget(next_);
    view->addLayout(stepping, 2, 0, 1, 2);
    layout->addWidget(viewing);

    auto* actions = new QGroupBox("Actions", this);
    actions->setObjectName(Id(kActionsGroup));
    actionsGroup_ = actions;
    auto* acting = new QVBoxLayout(actions);
    edit_ = MakeButton("Edit...", kEdit, actions);
    action_ = MakeButton("", kAction, actions);
    acting->addWidget(edit_);
    acting->addWidget(action_);
    layout->addWidget(actions);
    layout->addStretch(1);

    connect(edit_, &QPushButton::clicked, this, [] { ExecuteCommand(kFileDisplayedEdit); });
    connect(fullscreen_, &QPushButton::clicked, this, [] { ExecuteCommand(kViewFullscreen); });
    connect(previous_, &QPushButton::clicked, this,
            [this] { infoView_->ShowPreviousGalleryImage(); });
    connect(next_, &QPushButton::clicked, this, [this] { infoView_->ShowNextGalleryImage(); });
    connect(action_, &QPushButton::clicked, this, [this] { OnAction(); });
}

void InfoImageSheet::SetFileName(const std::string& path) {
    path_ = path;
    if (path.empty()) {
        edit_->setText("Edit...");
    } else if (IsImageFile(path)) {
        edit_->setText("Edit image...");
    } else if (IsHtmlFile(path)) {
        edit_->setText("Edit HTML...");
    }
}

void InfoImageSheet::ShowFields(bool show) {
    // The file size stays: a page has one too.
    for (int i = 1; i < 6; ++i) {
        values_[i]->setVisible(show);
        labels_[i]->setVisible(show);
    }
    picture_->setVisible(show);
    const bool editable = IsCommandEnabled(kFileDisplayedEdit);
    ShowControl(edit_, editable, editable);
    UpdateButtons();
    update();
}

void InfoImageSheet::UpdateButtons() {
    ShowControl(fullscreen_, false, false);
    ShowControl(action_, false, false);
    previous_->hide();
    next_->hide();
    if (path_.empty()) return;

    const bool picture = IsImageFile(path_);
    const Gallery* gallery = CurrentGallery();
    if (gallery != nullptr) {
        if (!picture) return;
        ShowControl(fullscreen_, true, true);
        if (!infoView_->IsGalleryImageShown()) {
            action_->setText("Add to gallery");
            ShowControl(action_, true, true);
            return;
        }
        const int index = infoView_->GetGalleryIndex();
        ShowControl(previous_, true, index > 0);
        ShowControl(next_, true, index + 1 < gallery->GetImageCount());
        return;
    }
    if (picture) {
        ShowControl(fullscreen_, true, true);
        if (CurrentVantelifier() == nullptr) {
            action_->setText("Animate");
            ShowControl(action_, true, true);
        }
        return;
    }
    if (IsHtmlFile(path_) && CurrentVantelifier() == nullptr) {
        action_->setText("Vantelify");
        ShowControl(action_, true, true);
    }
}

void InfoImageSheet::SetTexts(const InfoTexts& texts) {
    SetFileName(texts.fileName);
    pathField_->setText(QString::fromStdString(texts.fileName));
    const std::string* shown[6] = {&texts.fileSize, &texts.imageSize, &texts.compression,
                                   &texts.pixels,   &texts.zoom,      &texts.position};
    for (int i = 0; i < 6; ++i) values_[i]->setText(QString::fromStdString(*shown[i]));
}

void InfoImageSheet::ShowBannerPage(const std::string& url) {
    banner_->Navigate(url);
}

void InfoImageSheet::OnAction() {
    const std::string path = infoView_->GetShownFilePath();
    if (selection_ != nullptr && !path.empty()) {
        const std::size_t slash = path.find_last_of('/');
        const std::string folder =
            slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        selection_->SetFromNames(folder, {path.substr(slash + 1)});
    }
    if (CurrentGallery() != nullptr) {
        ExecuteCommand(kGalleryAddFiles);
    } else if (IsImageFile(path)) {
        ExecuteCommand(kAnimationLoadImage);
    } else if (IsHtmlFile(path)) {
        ExecuteCommand(kVantelifySetFile);
    }
}

bool InfoImageSheet::IsOverPath(const QPoint& point) const {
    const QRect field(pathField_->mapTo(infoView_, QPoint(0, 0)), pathField_->size());
    return pathField_->isVisible() && field.contains(point);
}

int InfoImageSheet::CanDrop(const QMimeData* mime, Qt::KeyboardModifiers /*keyState*/,
                            const QPoint& point) {
    if (mime == nullptr || !mime->hasFormat(kFileListMimeType) || !IsOverPath(point)) {
        return kDropNone;
    }
    return kDropCopy;
}

bool InfoImageSheet::Drop(const QMimeData* mime, int /*effect*/, const QPoint& point) {
    if (selection_ == nullptr || !IsOverPath(point)) return false;
    PidlPath folder;
    std::vector<PidlPath> items;
    if (!ReadFileListData(mime, folder, items)) return false;
    selection_->Set(folder, items);
    ExecuteCommand(kFileOpen);
    return true;
}

void InfoImageSheet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateButtons();
    if (firstShow_) {
        firstShow_ = false;
        banner_->setFocus();
        banner_->Refresh();
    }
}

void InfoImageSheet::closeEvent(QCloseEvent* event) {
    banner_->Stop();
    QThread::yieldCurrentThread();
    event->accept();
}

void InfoImageSheet::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(actionsGroup_->geometry(), kSheetColour);
    if (picture_->isVisible()) {
        painter.fillRect(QRect(picture_->mapTo(this, QPoint(0, 0)), picture_->size()),
                         kSheetColour);
    }
}
