#include "studio/shell/SplashDlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "studio/shell/DibImage.h"

SplashDlg::SplashDlg(const std::string& dataFolder, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("188");
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += "AppData/Splash.jpg";

    const auto dib = LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
    if (!dib) return;
    picture_ = ToQImage(*dib);
    if (picture_.isNull()) return;

    setFixedSize(picture_.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), picture_.size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void SplashDlg::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture_);
}
