#pragma once

#include <map>
#include <string>
#include <vector>

#include <QIcon>
#include <QWidget>

#include "studio/shell/panes/KivoSheet.h"

class InfoView;
class QLineEdit;
class QMimeData;
class QPushButton;
class QSlider;
class TemplateList;
class VanteloView;
class WorkImages;

// The info pane's sheet of the gallery: the template catalogue, the gallery's pictures as
// thumbnails (ordered by dragging), the title and viewer window size, and the buttons of
// the gallery commands. The generated gallery is previewed in the viewer pane.
class InfoGallerySheet final : public QWidget, public KivoSheet {
public:
    // The context menu's "View image".
    static constexpr int kViewImage = 32784;

    explicit InfoGallerySheet(QWidget* parent = nullptr);
    ~InfoGallerySheet() override;

    void SetInfoView(InfoView* view) { infoView_ = view; }
    void SetViewerView(VanteloView* view) { viewerView_ = view; }
    void SetVariablesChanged(bool changed) { variablesChanged_ = changed; }
    bool GetVariablesChanged() const { return variablesChanged_; }

    // Enables the controls by the gallery's picture count.
    void UpdateControls();
    int GetImageCount() const;
    // The selected row; -1 for none.
    int GetSelectedImage() const;
    void SelectImage(int index);
    // The title and window size into the gallery.
    void ApplySettings();
    // Empties the picture list and forgets the template, so the next gallery starts afresh.
    void ClearImages();
    // Whether the sheet (or one of its controls) has the focus and a picture is selected.
    bool HasFocusedSelection() const;
    // Shows an index page, counted from 0, in the viewer pane.
    void ShowPage(int page);
    // Generates the gallery and shows its page (the one shown before unless `fromStart`),
    // or the empty help page without pictures.
    void ShowPreview(bool fromStart);
    // Thumbnails for every picture, then the preview.
    void Rebuild();
    void RefillImageList();
    // The moved picture's new index; -1 when nothing moved.
    int MoveSelectedUp();
    int MoveSelectedDown();
    void RemoveSelected();
    void RemoveAllImages();

    // Selects the first template and takes it into the gallery.
    void SelectDefaultTemplate();
    void SetDefaultTitle();
    // The user chose the template of `row` in the list.
    void OnTemplateChanged(int row);
    // A command chosen in the picture list's menu.
    void OnSheetCommand(int id);

    // ---- Dragging pictures out of, within and into the picture list
    void OnBeginDrag();
    int CanDrop(const QMimeData* mime, Qt::KeyboardModifiers keyState,
                const QPoint& point) override;
    bool Drop(const QMimeData* mime, int effect, const QPoint& point) override;
    // Moves the picture of `row` before that of `before` (-1: to the end).
    void MoveImageTo(int row, int before);

    const std::vector<std::string>& GetTemplateNames() const { return templateNames_; }
    int GetSelectedTemplate() const { return selectedTemplate_; }
    int GetDropRow() const { return dropRow_; }
    // The row of a picture being dragged within the list; -1 otherwise.
    int GetDraggedRow() const { return draggedRow_; }
    // Used by the drag itself; a test stands in for the user's drop with this.
    void SetDragSource(const QMimeData* source, int row) {
        dragSource_ = source;
        draggedRow_ = row;
    }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void FillTemplateList();
    void ShowSize();
    void OnTitleEdited();
    void OnSizeEdited(bool width);
    void OnSliderMoved(bool width, int value);
    void ShowSelectedImage();
    void OpenTemplateHelp();
    // Runs the drag of the prepared data; returns when the user drops or cancels.
    void RunDrag(QMimeData* mime);

    TemplateList* templates_ = nullptr;
    WorkImages* images_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QSlider* widthSlider_ = nullptr;
    QSlider* heightSlider_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* configure_ = nullptr;

    std::string titleText_ = "Untitled";
    int windowWidth_ = 320;
    int windowHeight_ = 200;
    int selectedTemplate_ = -1;
    int selectedImage_ = -1;
    bool titleTyped_ = false;
    bool variablesChanged_ = false;
    bool templatesFilled_ = false;
    std::vector<std::string> templateNames_;  // one per row of the template list
    // The thumbnails made so far, by picture file name.
    std::map<std::string, QIcon> thumbnails_;

    const QMimeData* dragSource_ = nullptr;
    int draggedRow_ = -1;
    int dropRow_ = -1;

    InfoView* infoView_ = nullptr;
    VanteloView* viewerView_ = nullptr;
};
