#include "studio/shell/animation/InfoExtraSheet.h"

#include <climits>
#include <optional>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QUrl>

#include "studio/core/ShellUtils.h"
#include "studio/projects/Animation.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

constexpr long kFitWhole = 304;

std::string FirstImageName(const Animation* animation) {
    if (animation == nullptr || !animation->HasImage()) return "";
    return animation->GetImage(1)->fileName;
}

// A whole number in [min, max], none for anything else.
std::optional<int> ReadNumber(const QLineEdit* edit, int min, int max) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok || value < min || value > max) return std::nullopt;
    return value;
}

void MarkAnimationChanged() {
    if (Animation* animation = CurrentAnimation()) animation->SetModified();
}

}  // namespace

// The point list as the animation fills it.
class InfoExtraSheet::PointRows final : public AnimationPointRows {
public:
    explicit PointRows(QListWidget* list) : list_(list) {}

    int GetSelectedRow() const override {
        const int row = list_->currentRow();
        const QListWidgetItem* item = list_->item(row);
        return item != nullptr && item->isSelected() ? row : -1;
    }
    void DeleteAllRows() override { list_->clear(); }
    void AppendRow(const std::string& name) override {
        list_->addItem(QString::fromStdString(name));
    }
    void SelectRow(int row) override {
        if (row < 0 || row >= list_->count()) return;
        list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }

private:
    QListWidget* list_;
};

InfoExtraSheet::InfoExtraSheet(QWidget* parent) : QWidget(parent) {
    BuildControls();
    widthSlider_->setRange(128, 640);
    heightSlider_->setRange(128, 480);
    speedSlider_->setRange(30, 200);
    ConnectControls();
    ShowFields();
    RefreshPlayButtons();
}

InfoExtraSheet::~InfoExtraSheet() {
    // The controls outlive this part of the sheet: a focus or selection change while they
    // go must not call back into it.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    MarkAnimationChanged();
}

void InfoExtraSheet::ConnectControls() {
    connect(addButton_, &QPushButton::clicked, this, [] {
        // The new point is named at once.
        ExecuteCommand(kAnimationPosAdd);
        ExecuteCommand(kAnimationPosRename);
    });
    connect(insertButton_, &QPushButton::clicked, this, [] {
        ExecuteCommand(kAnimationPosInsert);
        ExecuteCommand(kAnimationPosRename);
    });
    connect(deleteButton_, &QPushButton::clicked, this,
            [this] { RunPointCommand(kAnimationPosDelete, true); });
    connect(goButton_, &QPushButton::clicked, this,
            [this] { RunPointCommand(kAnimationPosGo, false); });
    connect(changeButton_, &QPushButton::clicked, this,
            [this] { RunPointCommand(kAnimationPosChange, false); });
    connect(renameButton_, &QPushButton::clicked, this,
            [this] { RunPointCommand(kAnimationPosRename, true); });
    connect(closeButton_, &QPushButton::clicked, this, [this] {
        closeButton_->setEnabled(false);
        ExecuteCommand(kAnimationClose);
        closeButton_->setEnabled(true);
    });
    connect(saveButton_, &QPushButton::clicked, this, [] { ExecuteCommand(kAnimationSave); });
    connect(exportButton_, &QPushButton::clicked, this, [] { ExecuteCommand(kAnimationExport); });

    connect(playButton_, &QToolButton::clicked, this, [this] { Play(); });
    connect(pauseButton_, &QToolButton::clicked, this, [this] { Pause(); });
    connect(stopButton_, &QToolButton::clicked, this, [this] { Stop(); });
    connect(forwardButton_, &QToolButton::clicked, this, [this] { Forward(); });
    connect(rewindButton_, &QToolButton::clicked, this, [this] { Rewind(); });

    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { RefreshControls(); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this] { RunPointCommand(kAnimationPosGo, false); });

    connect(widthEdit_, &QLineEdit::editingFinished, this, [this] {
        OnNumberEdited(widthEdit_, widthSlider_, width_, kMinWindowSize, kMaxWindowSize);
    });
    connect(heightEdit_, &QLineEdit::editingFinished, this, [this] {
        OnNumberEdited(heightEdit_, heightSlider_, height_, kMinWindowSize, kMaxWindowSize);
    });
    connect(speedEdit_, &QLineEdit::editingFinished, this,
            [this] { OnNumberEdited(speedEdit_, speedSlider_, speed_, INT_MIN, INT_MAX); });
    connect(titleEdit_, &QLineEdit::editingFinished, this, [this] { OnTitleEdited(); });
    connect(widthSlider_, &QSlider::valueChanged, this,
            [this] { OnSliderMoved(widthSlider_, width_); });
    connect(heightSlider_, &QSlider::valueChanged, this,
            [this] { OnSliderMoved(heightSlider_, height_); });
    connect(speedSlider_, &QSlider::valueChanged, this,
            [this] { OnSliderMoved(speedSlider_, speed_); });
    connect(playMode_, &QComboBox::activated, this, [this](int index) { OnPlayModeChosen(index); });
}

// ---- Points

int InfoExtraSheet::SelectedRow() const {
    return PointRows(list_).GetSelectedRow();
}

void InfoExtraSheet::AppendPoint(const AnimationPoint& point) {
    Animation* animation = CurrentAnimation();
    if (animation == nullptr || animation->InsertPoint(-1, point) == nullptr) return;
    PointRows rows(list_);
    rows.AppendRow(point.name);
    rows.SelectRow(list_->count() - 1);
}

void InfoExtraSheet::InsertPoint(const AnimationPoint& point) {
    Animation* animation = CurrentAnimation();
    const int row = SelectedRow();
    if (animation == nullptr || row < 0 || animation->InsertPoint(row, point) == nullptr) return;
    animation->SetModified();
    list_->insertItem(row, QString::fromStdString(point.name));
    PointRows(list_).SelectRow(row);
}

AnimationPoint* InfoExtraSheet::GetSelectedPoint() {
    Animation* animation = CurrentAnimation();
    const int row = SelectedRow();
    return animation != nullptr && row >= 0 ? animation->GetPoint(row) : nullptr;
}

void InfoExtraSheet::RenameSelectedPoint(const std::string& text) {
    if (QListWidgetItem* item = list_->item(SelectedRow())) {
        item->setText(QString::fromStdString(text));
    }
}

bool InfoExtraSheet::HasSelectedPoint() {
    // A row the animation has no point for would leave the point commands nothing to
    // work on.
    return GetSelectedPoint() != nullptr;
}

void InfoExtraSheet::RunPointCommand(int id, bool markChanged) {
    ExecuteCommand(id);
    if (markChanged) MarkAnimationChanged();
}

// ---- The page

bool InfoExtraSheet::SamePage(const std::string& address, const std::string& page) {
    const QUrl url(QString::fromStdString(address));
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString::fromStdString(address);
    return !page.empty() && path.compare(QString::fromStdString(page), Qt::CaseInsensitive) == 0;
}

void InfoExtraSheet::Navigate(const std::string& url) {
    if (viewer_ != nullptr) viewer_->Navigate(url);
}

void InfoExtraSheet::Update() {
    Animation* animation = CurrentAnimation();
    if (animation != nullptr) {
        animation->SetTitle(title_);
        animation->SetWindowWidth(width_);
        animation->SetWindowHeight(height_);
        animation->SetSpeed(speed_);
        if (animation->HasImage()) {
            const std::string page = animation->GeneratePage();
            // The reload would put the viewer back at its start; it returns to where the
            // user left it once the page has loaded. Only a place on this page showing this
            // picture, loaded, is the user's: the viewer of the page shown before (another
            // animation's, or this one's with its former picture) or of this page still
            // loading (standing at its start) is not.
            const std::string shown = page + '\n' + animation->GetImagePath();
            if (positionSaved_ && savedFor_ != shown) positionSaved_ = false;
            Vector3 position;
            if (pageLoaded_ && navigatedTo_ == shown && viewer_ != nullptr &&
                SamePage(viewer_->GetPageUrl(), page) && viewer_->GetPagePosition(position)) {
                savedPosition_ = position;
                savedFor_ = shown;
                positionSaved_ = true;
            }
            if (!page.empty()) Navigate(page);
            navigatedTo_ = shown;
        } else {
            Navigate(FindDataFile("Help/Animation/empty.htm"));
            navigatedTo_.clear();
        }
    }
    pictureName_ = FirstImageName(animation);
    pictureEdit_->setText(QString::fromStdString(pictureName_));
    pageLoaded_ = false;
    RefreshPlayButtons();
    PointRows rows(list_);
    if (animation != nullptr) {
        animation->FillPointList(rows);
    } else {
        rows.DeleteAllRows();
    }
    RefreshControls();
}

void InfoExtraSheet::OnPageLoaded() {
    Animation* animation = CurrentAnimation();
    if (positionSaved_) {
        if (viewer_ != nullptr) viewer_->SetPagePosition(savedPosition_);
    } else if (animation != nullptr && animation->GetPointCount() > 0) {
        PointRows(list_).SelectRow(0);
        ExecuteCommand(kAnimationPosGo);
    } else if (viewer_ != nullptr) {
        viewer_->SetPageFit(kFitWhole);
    }
    positionSaved_ = false;
    pageLoaded_ = true;
    RefreshPlayButtons();
}

void InfoExtraSheet::Regenerate() {
    if (Animation* animation = CurrentAnimation()) animation->GenerateDataScripts();
    Update();
}

// ---- Playback

void InfoExtraSheet::Play() {
    if (!pageLoaded_) return;
    playing_ = 1;
    Navigate("javascript:play()");
}

void InfoExtraSheet::Pause() {
    if (!pageLoaded_) return;
    playing_ = 2;
    Navigate("javascript:pause()");
}

void InfoExtraSheet::Stop() {
    if (!pageLoaded_) return;
    playing_ = 0;
    Navigate("javascript:stop()");
}

void InfoExtraSheet::Forward() {
    if (pageLoaded_) Navigate("javascript:forward()");
}

void InfoExtraSheet::Rewind() {
    if (pageLoaded_) Navigate("javascript:rewind()");
}

void InfoExtraSheet::RefreshPlayButtons() {
    const Animation* animation = CurrentAnimation();
    const bool on = animation != nullptr && animation->HasImage() &&
                    animation->GetPointCount() >= 2 && pageLoaded_;
    for (QToolButton* button :
         {playButton_, pauseButton_, stopButton_, forwardButton_, rewindButton_}) {
        button->setEnabled(on);
    }
}

void InfoExtraSheet::RefreshControls() {
    const Animation* animation = CurrentAnimation();
    const bool picture = animation != nullptr && animation->HasImage();
    for (QWidget* control :
         std::initializer_list<QWidget*>{titleEdit_, speedEdit_, speedSlider_, widthEdit_,
                                         heightEdit_, widthSlider_, heightSlider_}) {
        control->setEnabled(picture);
    }
    playMode_->setEnabled(true);
    const std::pair<QPushButton*, int> followers[] = {
        {addButton_, kAnimationPosAdd},       {insertButton_, kAnimationPosInsert},
        {saveButton_, kAnimationSave},        {exportButton_, kAnimationExport},
        {renameButton_, kAnimationPosRename}, {deleteButton_, kAnimationPosDelete},
        {changeButton_, kAnimationPosChange}, {goButton_, kAnimationPosGo},
    };
    for (const auto& [button, id] : followers) button->setEnabled(IsCommandEnabled(id));
}

// ---- Fields

void InfoExtraSheet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    LoadFromAnimation();
}

void InfoExtraSheet::LoadFromAnimation() {
    if (const Animation* animation = CurrentAnimation()) {
        title_ = animation->GetTitle();
        width_ = animation->GetWindowWidth();
        height_ = animation->GetWindowHeight();
        speed_ = animation->GetSpeed();
        pictureName_ = FirstImageName(animation);
        const int mode = animation->GetPlayMode();
        playMode_->setCurrentIndex(mode >= 0 && mode <= 5 ? mode : 0);
    }
    closeButton_->setEnabled(true);
    ShowFields();
}

void InfoExtraSheet::ShowFields() {
    const QSignalBlocker blockWidth(widthSlider_);
    const QSignalBlocker blockHeight(heightSlider_);
    const QSignalBlocker blockSpeed(speedSlider_);
    titleEdit_->setText(QString::fromStdString(title_));
    widthEdit_->setText(QString::number(width_));
    heightEdit_->setText(QString::number(height_));
    speedEdit_->setText(QString::number(speed_));
    pictureEdit_->setText(QString::fromStdString(pictureName_));
    widthSlider_->setValue(width_);
    heightSlider_->setValue(height_);
    speedSlider_->setValue(speed_);
}

void InfoExtraSheet::OnNumberEdited(QLineEdit* edit, QSlider* slider, int& field, int min,
                                    int max) {
    const std::optional<int> value = ReadNumber(edit, min, max);
    if (!value) {
        // What cannot be taken is not kept on screen either.
        edit->setText(QString::number(field));
        return;
    }
    if (*value == field) return;
    field = *value;
    {
        const QSignalBlocker block(slider);
        slider->setValue(field);
    }
    MarkAnimationChanged();
    Update();
}

void InfoExtraSheet::OnTitleEdited() {
    const std::string text = titleEdit_->text().toStdString();
    if (text == title_) return;
    title_ = text;
    MarkAnimationChanged();
    Update();
}

void InfoExtraSheet::OnSliderMoved(QSlider* slider, int& field) {
    if (slider->value() != field) field = slider->value();
    MarkAnimationChanged();
    ShowFields();
    Update();
}

void InfoExtraSheet::OnPlayModeChosen(int index) {
    if (index < 0 || index > 5) return;
    if (Animation* animation = CurrentAnimation()) animation->SetPlayMode(index);
    Update();
}

// ---- Keys and drops

bool InfoExtraSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RunPointCommand(kAnimationPosDelete, true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int InfoExtraSheet::CanDrop(const QMimeData* dropped, Qt::KeyboardModifiers /*keyState*/,
                            const QPoint& point) {
    if (dropped == nullptr || !dropped->hasFormat(kFileListMimeType)) return kDropNone;
    const QWidget* pane = parentWidget() != nullptr ? parentWidget() : this;
    return pictureEdit_->rect().contains(pictureEdit_->mapFrom(pane, point)) ? kDropCopy
                                                                             : kDropNone;
}

bool InfoExtraSheet::Drop(const QMimeData* dropped, int /*effect*/, const QPoint& point) {
    Animation* animation = CurrentAnimation();
    if (animation == nullptr || CanDrop(dropped, Qt::NoModifier, point) == kDropNone) {
        return false;
    }
    PidlPath folder;
    std::vector<PidlPath> items;
    if (!ReadFileListData(dropped, folder, items) || items.empty()) return false;
    PidlPath first = folder;
    first.Append(items.front());
    const std::string path = first.GetPath();
    if (path.empty() || !IsImageFile(path)) return false;
    const bool loaded = animation->LoadImage(path);
    pictureEdit_->setText(QString::fromStdString(path));
    Update();
    return loaded;
}
