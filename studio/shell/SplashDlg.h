#pragma once

#include <string>

#include <QDialog>
#include <QImage>

// The picture shown while the main window starts: "AppData/Splash.jpg" of the data folder,
// in a window of the picture's size centred on the screen. When the picture cannot be
// loaded, the window stays hidden.
class SplashDlg final : public QDialog {
public:
    // dataFolder: the studio's data folder, with or without its trailing '/'.
    explicit SplashDlg(const std::string& dataFolder, QWidget* parent = nullptr);

    bool HasPicture() const { return !picture_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};
