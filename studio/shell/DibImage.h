#pragma once

#include <memory>

#include <QImage>

namespace platform {
class DibSection;
}

// A copy of a bitmap as a Qt image, rows in screen order; a null image for a depth the
// bitmap cannot have.
QImage ToQImage(const platform::DibSection& dib);

// A 24-bit top-down bitmap holding the image's colours (alpha dropped); null for a null
// image.
std::unique_ptr<platform::DibSection> ToDibSection(const QImage& image);
