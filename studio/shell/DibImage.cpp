#include "studio/shell/DibImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/bitmap/DibSection.h"

QImage ToQImage(const platform::DibSection& dib) {
    const int width = dib.width();
    const int height = dib.height();
    const int depth = dib.bitCount();
    QImage::Format format = QImage::Format_Invalid;
    switch (depth) {
        case 1:
        case 4:
        case 8:
            format = QImage::Format_Indexed8;
            break;
        case 16:
            format = QImage::Format_RGB555;  // red in the high bits
            break;
        case 24:
            format = QImage::Format_BGR888;  // blue, green, red in memory
            break;
        case 32:
            format = QImage::Format_RGB32;  // blue, green, red, unused in memory
            break;
        default:
            return {};
    }
    QImage image(width, height, format);
    if (image.isNull()) return {};
    if (format == QImage::Format_Indexed8) {
        const int colours = 1 << depth;
        QList<QRgb> table(colours);
        for (int i = 0; i < colours; ++i) {
            const std::uint32_t c = dib.colours()[static_cast<std::size_t>(i)];  // blue-green-red-0
            table[i] = qRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
        }
        image.setColorTable(table);
    }
    const std::size_t rowBytes = platform::DibSection::MinimumStride(width, depth);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = dib.Row(y);
        uchar* dst = image.scanLine(y);
        if (depth >= 8) {
            std::memcpy(dst, src,
                        std::min(rowBytes, static_cast<std::size_t>(image.bytesPerLine())));
            continue;
        }
        // Lower depths pack several pixels in a byte, the leftmost in the high bits.
        const int perByte = 8 / depth;
        const int mask = (1 << depth) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = (perByte - 1 - x % perByte) * depth;
            dst[x] = static_cast<uchar>((src[x / perByte] >> shift) & mask);
        }
    }
    return image;
}

std::unique_ptr<platform::DibSection> ToDibSection(const QImage& image) {
    if (image.isNull()) return nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_BGR888);
    auto dib = platform::DibSection::Create(rgb.width(), -rgb.height(), 24);
    if (!dib) return nullptr;
    const auto rowBytes = static_cast<std::size_t>(rgb.width()) * 3;
    for (int y = 0; y < rgb.height(); ++y) std::memcpy(dib->Row(y), rgb.constScanLine(y), rowBytes);
    return dib;
}
