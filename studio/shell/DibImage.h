#pragma once

#include <QImage>

namespace platform {
class DibSection;
}

// A copy of a bitmap as a Qt image, rows in screen order; a null image for a depth the
// bitmap cannot have.
QImage ToQImage(const platform::DibSection& dib);
