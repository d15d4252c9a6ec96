// The animation sheet's controls and where they stand.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/animation/PlaybackBitmaps.h"

namespace {

template <class W>
W* Named(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

QPushButton* Button(QWidget* parent, int id, const char* text) {
    auto* button = Named(new QPushButton(text, parent), id);
    button->setAutoDefault(false);
    return button;
}

QToolButton* PlaybackButton(QWidget* parent, int id, const char* text) {
    auto* button = Named(new QToolButton(parent), id);
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(QIcon(PlaybackBitmap(id)));
    return button;
}

QSlider* Slider(QWidget* parent, int id) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), id);
    // Each step regenerates the page: a drag counts once, when it ends.
    slider->setTracking(false);
    return slider;
}

QLineEdit* NumberEdit(QWidget* parent, int id) {
    auto* edit = Named(new QLineEdit(parent), id);
    edit->setMaxLength(6);
    return edit;
}

}  // namespace

void InfoExtraSheet::BuildControls() {
    setObjectName("156");

    list_ = Named(new QListWidget(this), 1050);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->installEventFilter(this);
    addButton_ = Button(this, 1048, "Add pos");
    insertButton_ = Button(this, 1159, "Insert pos");
    goButton_ = Button(this, 1046, "Go to pos");
    renameButton_ = Button(this, 1053, "Rename pos");
    deleteButton_ = Button(this, 1049, "Delete pos");
    changeButton_ = Button(this, 1051, "Change pos");

    auto* positions = new QGroupBox("Positions", this);
    auto* positionsLayout = new QHBoxLayout(positions);
    positionsLayout->addWidget(list_, 1);
    auto* pointButtons = new QVBoxLayout;
    for (QPushButton* button :
         {addButton_, insertButton_, goButton_, renameButton_, deleteButton_, changeButton_}) {
        pointButtons->addWidget(button);
    }
    pointButtons->addStretch();
    positionsLayout->addLayout(pointButtons);

    titleEdit_ = Named(new QLineEdit(this), 1146);
    widthEdit_ = NumberEdit(this, 1147);
    heightEdit_ = NumberEdit(this, 1149);
    speedEdit_ = NumberEdit(this, 1151);
    pictureEdit_ = Named(new QLineEdit(this), 1191);
    pictureEdit_->setReadOnly(true);
    widthSlider_ = Slider(this, 1148);
    heightSlider_ = Slider(this, 1150);
    speedSlider_ = Slider(this, 1152);
    playMode_ = Named(new QComboBox(this), 1216);
    for (const char* mode : {"Play once", "Loop forward", "Warp forward", "Loop backward",
                             "Warp backward", "Loop ping-pong"}) {
        playMode_->addItem(mode);
    }
    playMode_->setCurrentIndex(2);

    auto* general = new QGroupBox("General", this);
    auto* generalLayout = new QGridLayout(general);
    generalLayout->addWidget(new QLabel("Title:", general), 0, 0);
    generalLayout->addWidget(titleEdit_, 0, 1, 1, 2);
    generalLayout->addWidget(new QLabel("Image:", general), 1, 0);
    generalLayout->addWidget(pictureEdit_, 1, 1, 1, 2);

    auto* window = new QGroupBox("Vantelo window", this);
    auto* windowLayout = new QGridLayout(window);
    windowLayout->addWidget(new QLabel("Width:", window), 0, 0);
    windowLayout->addWidget(widthEdit_, 0, 1);
    windowLayout->addWidget(widthSlider_, 0, 2);
    windowLayout->addWidget(new QLabel("Height:", window), 1, 0);
    windowLayout->addWidget(heightEdit_, 1, 1);
    windowLayout->addWidget(heightSlider_, 1, 2);

    auto* animation = new QGroupBox("Animation", this);
    auto* animationLayout = new QGridLayout(animation);
    animationLayout->addWidget(new QLabel("Speed:", animation), 0, 0);
    animationLayout->addWidget(speedEdit_, 0, 1);
    animationLayout->addWidget(new QLabel("Slow", animation), 0, 2);
    animationLayout->addWidget(speedSlider_, 0, 3);
    animationLayout->addWidget(new QLabel("Fast", animation), 0, 4);
    animationLayout->addWidget(new QLabel("Mode:", animation), 1, 0);
    animationLayout->addWidget(playMode_, 1, 1, 1, 4);

    rewindButton_ = PlaybackButton(this, 1186, "Rewind");
    playButton_ = PlaybackButton(this, 1182, "Play");
    pauseButton_ = PlaybackButton(this, 1183, "Pause");
    stopButton_ = PlaybackButton(this, 1184, "Stop");
    forwardButton_ = PlaybackButton(this, 1047, "Forward");
    auto* playback = new QGroupBox("Play animation", this);
    auto* playbackLayout = new QHBoxLayout(playback);
    for (QToolButton* button :
         {rewindButton_, playButton_, pauseButton_, stopButton_, forwardButton_}) {
        playbackLayout->addWidget(button);
    }
    playbackLayout->addStretch();

    saveButton_ = Button(this, 1160, "Save");
    exportButton_ = Button(this, 1161, "Export HTML");
    closeButton_ = Button(this, 1165, "Close");
    auto* save = new QGroupBox("Save", this);
    auto* saveLayout = new QHBoxLayout(save);
    saveLayout->addWidget(saveButton_);
    saveLayout->addWidget(exportButton_);
    saveLayout->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(positions, 1);
    layout->addWidget(general);
    layout->addWidget(window);
    layout->addWidget(animation);
    layout->addWidget(playback);
    layout->addWidget(save);
}
