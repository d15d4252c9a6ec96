#pragma once

#include <memory>
#include <string>
#include <vector>

#include "studio/shell/PropertySheet.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QTemporaryDir;

namespace platform {
class Registry;
}

// The external editors.
class PropPageFiles final : public PropertyPage {
public:
    PropPageFiles();
    void Apply() override;

protected:
    void Init() override;

private:
    void Browse(QLineEdit* edit);

    QLineEdit* html_;
    QLineEdit* image_;
};

// The image editor an installed program registers under the local machine's
// Software\Adobe\Photoshop: the highest numbered version key (names that are no number read
// as 0 and are never taken) and its ApplicationPath + "Photoshp.exe". Empty when none.
std::string FindRegisteredImageEditor(platform::Registry& registry);

// The thumbnails of galleries, with a preview of their size and file size.
class PropPageGallery final : public PropertyPage {
public:
    // `preview`: the picture to preview; empty for the data folder's sample.
    explicit PropPageGallery(std::string preview = {});
    ~PropPageGallery() override;
    void Apply() override;

    // The last preview written, empty when none could be.
    const std::string& GetPreviewFile() const { return previewFile_; }

protected:
    void Init() override;

private:
    void UpdatePreview();
    std::string PreviewName();

    std::string source_;
    std::unique_ptr<QTemporaryDir> previewFolder_;
    std::string previewFile_;
    QSlider* size_;
    QSlider* quality_;
    QLineEdit* colour_;
    QLabel* picture_;
    QLabel* fileSize_;
    QLabel* pictureSize_;
};

// The viewer settings written into generated pages.
class PropPageVantelo final : public PropertyPage {
public:
    PropPageVantelo();
    void Apply() override;

protected:
    void Init() override;

private:
    struct Zoom {
        QComboBox* list;
        QLineEdit* custom;
        float stored;
        int shownIndex;
        QString shownCustom;
    };
    void InitZoom(Zoom& zoom, float value);
    static float ZoomOf(const Zoom& zoom);

    Zoom min_{};
    Zoom max_{};
    QSlider* borderWidth_;
    QSlider* borderHeight_;
    QLineEdit* background_;
    QLineEdit* border_;
    QString shownBackground_;
    QString shownBorder_;
    std::vector<QCheckBox*> locks_;
    QComboBox* fit_;
};

// Colours as the pages show them: "%06x" red, green, blue of a 0x00BBGGRR value, and back
// (none for a text that is no colour).
std::string ColourText(int colour);
bool ParseColourText(const std::string& text, int& colour);

// The fit choice a fit value shows (0 none, 1 width, 2 height, 3 both) and the value a
// choice gives, keeping the bits the choice does not stand for.
int FitChoice(int fit);
int FitValue(int choice, int previous);
