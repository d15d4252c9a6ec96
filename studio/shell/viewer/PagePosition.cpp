#include "studio/shell/viewer/PagePosition.h"

#include <cmath>

namespace {

bool UsableZoom(float z) {
    return std::isfinite(z) && z > 0;
}

// Half the size in whole units, as the viewer sees it at zoom z, in whole units.
float HalfSpan(int size, float z) {
    return std::trunc(static_cast<float>(size / 2) / z);
}

}  // namespace

std::optional<Vector3> ViewerToPagePosition(float posX, float posY, float posZ, int width,
                                            int height) {
    if (!UsableZoom(posZ)) return std::nullopt;
    return Vector3(posX + HalfSpan(width, posZ), posY + HalfSpan(height, posZ), posZ);
}

std::optional<Vector3> PageToViewerPosition(const Vector3& position, int width, int height) {
    if (!UsableZoom(position.z)) return std::nullopt;
    return Vector3(position.x - HalfSpan(width, position.z),
                   position.y - HalfSpan(height, position.z), position.z);
}
