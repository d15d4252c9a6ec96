#pragma once

#include <optional>

#include "geometry/Geometry.h"

// Where a printed view goes on the page, in device pixels: the printable part of the page
// made square, the picture's shape inside it centred, then shrunk to half its size about
// the same centre. `page` is the physical size and the unprintable offsets (x, y) of the
// device; `buffer` the size of the view printed. None when any side, of the page area or of
// the buffer, is zero or less.
struct PageGeometry {
    int physicalWidth = 0;
    int physicalHeight = 0;
    int offsetX = 0;
    int offsetY = 0;
};
std::optional<Rect> PrintRect(const PageGeometry& page, Vector2<int> buffer);
