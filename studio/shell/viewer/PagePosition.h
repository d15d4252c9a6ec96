#pragma once

#include <optional>

#include "geometry/Geometry.h"

// The page viewer keeps PosX/PosY of its top-left corner; the studio stores the position of
// the view's centre. `width` and `height` are the viewer object's size in the page. Both
// directions refuse a zoom that is 0, negative or not finite, which they would divide by.

// The centre's position from the viewer's members.
std::optional<Vector3> ViewerToPagePosition(float posX, float posY, float posZ, int width,
                                            int height);
// The viewer's PosX, PosY, PosZ for a centre position.
std::optional<Vector3> PageToViewerPosition(const Vector3& position, int width, int height);
