#include "viewer-plugin/services/PrintLayout.h"

#include <algorithm>
#include <cstdint>

std::optional<Rect> PrintRect(const PageGeometry& page, Vector2<int> buffer) {
    // The bottom keeps twice the top margin clear, where printers put their footers.
    const std::int64_t width = std::int64_t{page.physicalWidth} - 2 * std::int64_t{page.offsetX};
    const std::int64_t height = std::int64_t{page.physicalHeight} - 4 * std::int64_t{page.offsetY};
    if (width <= 0 || height <= 0 || buffer.x <= 0 || buffer.y <= 0) return std::nullopt;
    const std::int64_t side = std::min(width, height);
    std::int64_t left = page.offsetX + (width - side) / 2;
    std::int64_t top = page.offsetY + (height - side) / 2;
    std::int64_t w = side;
    std::int64_t h = side;
    if (buffer.x > buffer.y) {
        h = side * buffer.y / buffer.x;
        top += (side - h) / 2;
    } else {
        w = side * buffer.x / buffer.y;
        left += (side - w) / 2;
    }
    const std::int64_t dx = w / 4;
    const std::int64_t dy = h / 4;
    return Rect{static_cast<std::int32_t>(left + dx), static_cast<std::int32_t>(top + dy),
                static_cast<std::int32_t>(left + w - dx), static_cast<std::int32_t>(top + h - dy)};
}
