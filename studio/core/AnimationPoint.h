#pragma once

#include <string>

#include "geometry/Geometry.h"

// One point of an animation: a named viewer position (z is the zoom) and the size of the
// viewer window when the point was taken.
struct AnimationPoint {
    std::string name;
    Vector3 position;
    Vector2<int> size;
};
