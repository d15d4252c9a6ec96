#pragma once

#include <string>

#include <QWidget>

#include "geometry/Geometry.h"
#include "studio/core/AnimationPoint.h"
#include "studio/shell/panes/KivoSheet.h"

class Animation;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;
class QSlider;
class QToolButton;
class VanteloView;

// The animation sheet of the info pane: the open animation's title, viewer window size,
// speed and play mode, its points with the buttons that run the point commands, and the
// playback buttons that drive the animation page shown in the viewer pane. Its controls'
// object names are their dialog ids.
class InfoExtraSheet final : public QWidget, public KivoSheet {
public:
    static constexpr int kMinWindowSize = 16;
    static constexpr int kMaxWindowSize = 2048;

    explicit InfoExtraSheet(QWidget* parent = nullptr);
    ~InfoExtraSheet() override;

    // The viewer pane the sheet shows its page in and plays it back with.
    void SetViewerView(VanteloView* view) { viewer_ = view; }

    // ---- What the point commands use
    // Appends the point to the animation and to the list, and selects it.
    void AppendPoint(const AnimationPoint& point);
    // Inserts the point before the selected row, in the animation and in the list, and
    // selects it; nothing without a selected row.
    void InsertPoint(const AnimationPoint& point);
    // The animation's point of the selected row, null without one.
    AnimationPoint* GetSelectedPoint();
    void RenameSelectedPoint(const std::string& text);
    bool HasSelectedPoint();

    // Pushes the fields into the animation, shows its page again (keeping the viewer's place
    // for the reload) and refills the list and the controls' states.
    void Update();
    // The viewer pane finished loading a page.
    void OnPageLoaded();
    // The preferences changed: the page scripts are made again, then Update.
    void Regenerate();

    // ---- Playback of the loaded page
    void Play();
    void Pause();
    void Stop();
    void Forward();
    void Rewind();
    // 0 stopped, 1 playing, 2 paused.
    int GetPlayingState() const { return playing_; }
    bool IsPageLoaded() const { return pageLoaded_; }

    // ---- Pictures dragged onto the picture-name field. The point is in the coordinates of
    // the info pane, the sheet's parent (the sheet's own without a parent).
    int CanDrop(const QMimeData* dropped, Qt::KeyboardModifiers keyState,
                const QPoint& point) override;
    // Loads the first dropped item into the animation when it is a picture.
    bool Drop(const QMimeData* dropped, int effect, const QPoint& point) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class PointRows;

    void BuildControls();
    void ConnectControls();
    // The fields from the open animation, and the controls from the fields.
    void LoadFromAnimation();
    void ShowFields();
    void RefreshPlayButtons();
    void RefreshControls();
    void RunPointCommand(int id, bool markChanged);
    // Whether a browser address (a file URL or a path) names the page file, in any case.
    static bool SamePage(const std::string& address, const std::string& page);
    void Navigate(const std::string& url);
    void OnNumberEdited(QLineEdit* edit, QSlider* slider, int& field, int min, int max);
    void OnTitleEdited();
    void OnSliderMoved(QSlider* slider, int& field);
    void OnPlayModeChosen(int index);
    int SelectedRow() const;

    VanteloView* viewer_ = nullptr;

    QListWidget* list_ = nullptr;
    QSlider* speedSlider_ = nullptr;
    QSlider* widthSlider_ = nullptr;
    QSlider* heightSlider_ = nullptr;
    QLineEdit* titleEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* speedEdit_ = nullptr;
    QLineEdit* pictureEdit_ = nullptr;
    QComboBox* playMode_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QToolButton* pauseButton_ = nullptr;
    QToolButton* forwardButton_ = nullptr;
    QToolButton* rewindButton_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* insertButton_ = nullptr;
    QPushButton* goButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    std::string title_ = "Vantelo animation";
    int height_ = 200;
    int width_ = 320;
    int speed_ = 100;
    std::string pictureName_;

    int playing_ = 0;
    bool pageLoaded_ = false;
    Vector3 savedPosition_{0, 0, 1};
    bool positionSaved_ = false;
    // Page and picture (as "page\npicture") of the saved position, and of the page shown last.
    std::string savedFor_;
    std::string navigatedTo_;
};
