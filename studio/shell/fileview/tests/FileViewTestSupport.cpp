#include "studio/shell/fileview/tests/FileViewTestSupport.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QImage>

#include "studio/shell/fileview/FileView.h"

void WritePicture(const std::string& path, QColor colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    // Named as a JPEG (or the folder picture, a JPEG too): written as one.
    const bool jpeg = path.ends_with(".jpg") || path.ends_with(".vtd");
    image.save(QString::fromStdString(path), jpeg ? "JPG" : "PNG", 95);
}

bool WaitLoaded(FileView& view) {
    return ServeEventsUntil([&view] { return view.IsLoadComplete(); });
}
