#pragma once

#include <optional>
#include <string>

#include "geometry/Geometry.h"

// Scripts that reach the viewer inside the shown page, one call each. Each finds the last
// object element whose classid is exactly the viewer's, reads its width and height
// attributes as atoi would, and answers JSON: {"found":false} when there is no such element
// or it lacks the viewer's members, else {"found":true,"w":..,"h":..,"x":..,"y":..,"z":..}
// with PosX, PosY and PosZ as they were before any put.
// Only finds and reads.
std::string ReadViewerScript();
std::string SetFitScript(long fit);
// Puts PosX, PosY, PosZ (in that order) for the centre position; the zoom must be usable.
std::string SetPositionScript(const Vector3& position);

struct PageViewerAnswer {
    int width = 0;
    int height = 0;
    float posX = 0;
    float posY = 0;
    float posZ = 0;
};

// The viewer's answer; none for "not found", an empty text (no answer) or anything that is
// not such an answer.
std::optional<PageViewerAnswer> ReadPageViewerAnswer(const std::string& json);
