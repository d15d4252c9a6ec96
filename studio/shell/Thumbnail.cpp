// The bitmap helpers of the studio: thumbnails scaled with area averaging, the marks put on
// them, grey and joined copies of bitmaps.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/JpegWriter.h"
#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "studio/shell/ShellUtils.h"

namespace {

using platform::DibSection;

// One picture converted to blue-green-red rows, the form every helper here works on.
struct Bgr {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows of width * 3 bytes, top row first
    const std::uint8_t* Row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
    }
};

// Reads any bitmap as blue-green-red. 16-bit pixels are 5-6-5 when greenBits says 6, else
// 5-5-5; palette entries are the bitmap's blue-green-red colour table.
Bgr ToBgr(const DibSection& dib, int greenBits16 = 5) {
    Bgr out;
    out.width = dib.width();
    out.height = dib.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) *
                      3);
    const int bits = dib.bitCount();
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* in = dib.Row(y);
        std::uint8_t* o = out.pixels.data() +
                          static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) * 3;
        for (int x = 0; x < out.width; ++x, o += 3) {
            std::uint32_t b = 0, g = 0, r = 0;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits - (x % perByte) * bits;
                const int index = (in[x / perByte] >> shift) & ((1 << bits) - 1);
                const std::uint32_t c = dib.colours()[static_cast<std::size_t>(index)];
                b = c & 0xFF;
                g = (c >> 8) & 0xFF;
                r = (c >> 16) & 0xFF;
            } else if (bits == 16) {
                const std::uint32_t v = in[x * 2] | (in[x * 2 + 1] << 8);
                b = (v & 0x1F) * 255 / 31;
                if (greenBits16 == 6) {
                    g = ((v >> 5) & 0x3F) * 255 / 63;
                    r = ((v >> 11) & 0x1F) * 255 / 31;
                } else {
                    g = ((v >> 5) & 0x1F) * 255 / 31;
                    r = ((v >> 10) & 0x1F) * 255 / 31;
                }
            } else {
                const int step = bits / 8;
                b = in[x * step];
                g = in[x * step + 1];
                r = in[x * step + 2];
            }
            o[0] = static_cast<std::uint8_t>(b);
            o[1] = static_cast<std::uint8_t>(g);
            o[2] = static_cast<std::uint8_t>(r);
        }
    }
    return out;
}

// The source pixels one destination pixel covers along an axis, with the length of each
// overlap; source pixels are `to` units long and destination pixels `from` units, so the
// weights of one destination pixel add up to `from`.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::uint32_t> weights;  // count[d] entries per destination pixel, in order
    std::vector<std::size_t> offset;
};

Taps MakeTaps(int from, int to) {
    Taps taps;
    for (int d = 0; d < to; ++d) {
        const std::int64_t start = static_cast<std::int64_t>(d) * from;
        const std::int64_t end = start + from;
        const auto s0 = static_cast<int>(start / to);
        const auto s1 = static_cast<int>((end - 1) / to);
        taps.first.push_back(s0);
        taps.count.push_back(s1 - s0 + 1);
        taps.offset.push_back(taps.weights.size());
        for (int s = s0; s <= s1; ++s) {
            const std::int64_t lo = std::max(start, static_cast<std::int64_t>(s) * to);
            const std::int64_t hi = std::min(end, static_cast<std::int64_t>(s + 1) * to);
            taps.weights.push_back(static_cast<std::uint32_t>(hi - lo));
        }
    }
    return taps;
}

// Scales the picture to w x h with area averaging into the bitmap at (left, top).
void ScaleInto(const Bgr& picture, DibSection& target, int left, int top, int w, int h) {
    const Taps across = MakeTaps(picture.width, w);
    const Taps down = MakeTaps(picture.height, h);
    // Rows scaled across first; each value is a weighted sum of up to 255 * picture width.
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(picture.height) *
                                    static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.Row(y);
        std::uint32_t* out =
            rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 3;
        for (int d = 0; d < w; ++d) {
            std::uint32_t b = 0, g = 0, r = 0;
            const std::uint32_t* weight =
                across.weights.data() + across.offset[static_cast<std::size_t>(d)];
            const std::uint8_t* p =
                in + static_cast<std::size_t>(across.first[static_cast<std::size_t>(d)]) * 3;
            for (int k = 0; k < across.count[static_cast<std::size_t>(d)]; ++k, p += 3) {
                b += weight[k] * p[0];
                g += weight[k] * p[1];
                r += weight[k] * p[2];
            }
            out[d * 3] = b;
            out[d * 3 + 1] = g;
            out[d * 3 + 2] = r;
        }
    }
    const std::uint64_t total =
        static_cast<std::uint64_t>(picture.width) * static_cast<std::uint64_t>(picture.height);
    std::vector<std::uint64_t> sum(static_cast<std::size_t>(w) * 3);
    for (int d = 0; d < h; ++d) {
        std::fill(sum.begin(), sum.end(), 0);
        const std::uint32_t* weight =
            down.weights.data() + down.offset[static_cast<std::size_t>(d)];
        for (int k = 0; k < down.count[static_cast<std::size_t>(d)]; ++k) {
            const std::uint32_t* row =
                rows.data() +
                static_cast<std::size_t>(down.first[static_cast<std::size_t>(d)] + k) *
                    static_cast<std::size_t>(w) * 3;
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] += static_cast<std::uint64_t>(weight[k]) * row[i];
        }
        std::uint8_t* out = target.Row(top + d) + static_cast<std::size_t>(left) * 3;
        for (std::size_t i = 0; i < sum.size(); ++i) {
            out[i] = static_cast<std::uint8_t>((sum[i] + total / 2) / total);
        }
    }
}

void Fill(DibSection& dib, std::uint32_t colour) {
    const auto r = static_cast<std::uint8_t>(colour & 0xFF);
    const auto g = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    const auto b = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    for (int y = 0; y < dib.height(); ++y) {
        std::uint8_t* p = dib.Row(y);
        for (int x = 0; x < dib.width(); ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

// Copies a w x h block of `from` (top left) to (left, top) of a 24-bit bitmap, clipped to both.
void CopyBlock(const Bgr& from, DibSection& to, int left, int top, int w, int h) {
    for (int y = 0; y < h && y < from.height; ++y) {
        if (top + y < 0 || top + y >= to.height()) continue;
        for (int x = 0; x < w && x < from.width; ++x) {
            if (left + x < 0 || left + x >= to.width()) continue;
            std::memcpy(to.Row(top + y) + (left + x) * 3, from.Row(y) + x * 3, 3);
        }
    }
}

struct Placement {
    int left = 0, top = 0, width = 0, height = 0;
};

// Where the picture goes in the box: filling it when the sizes agree, else keeping its
// aspect ratio, a wide picture flush with the bottom, a tall one centred.
Placement Place(const Vector2<int>& picture, const Vector2<int>& box) {
    Placement p;
    if (picture == box) {
        p.width = box.x;
        p.height = box.y;
        return p;
    }
    // value * num / den rounded, at least 1 and at most the box's side `limit`.
    const auto scaled = [](int value, int num, int den, int limit) {
        const std::int64_t v = (static_cast<std::int64_t>(value) * num + den / 2) / den;
        return static_cast<int>(std::clamp<std::int64_t>(v, 1, limit));
    };
    if (static_cast<std::int64_t>(picture.x) * box.y >=
        static_cast<std::int64_t>(picture.y) * box.x) {
        p.width = box.x;
        p.height = scaled(picture.y, box.x, picture.x, box.y);
        p.top = box.y - p.height;
    } else {
        p.height = box.y;
        p.width = scaled(picture.x, box.y, picture.y, box.x);
        p.left = (box.x - p.width) / 2;
    }
    return p;
}

}  // namespace

std::unique_ptr<DibSection> RenderThumbnail(const Vector2<int>& box, const std::string& path,
                                            PictureInfo* info, Vector2<int>* size,
                                            std::uint32_t background, int mode, IPTCData* iptc) {
    if (box.x <= 0 || box.y <= 0) return nullptr;
    PictureInfo decoded;
    Vector2<int> full = box;  // the wanted size in, the picture's size out
    const auto picture = LoadPictureAsDIB(path, &decoded, &full, iptc);
    if (!picture) return nullptr;
    if (full.x <= 0 || full.y <= 0) full = Vector2<int>(picture->width(), picture->height());

    const Placement place = Place(full, box);
    const bool exact = mode == 1;
    auto result =
        DibSection::Create(exact ? place.width : box.x, -(exact ? place.height : box.y), 24);
    if (!result) return nullptr;
    if (!exact) Fill(*result, background);
    ScaleInto(ToBgr(*picture, decoded.greenBits), *result, exact ? 0 : place.left,
              exact ? 0 : place.top, place.width, place.height);
    if (info != nullptr) *info = decoded;
    if (size != nullptr) *size = full;
    return result;
}

bool SaveThumbnailJpeg(const Vector2<int>& box, const std::string& source,
                       const std::string& target, int quality, PictureInfo* info,
                       Vector2<int>* size, IPTCData* iptc, const DibSection* mark,
                       std::uint32_t background, int mode) {
    std::string file = target;
    if (IsImageFile(file)) ReplaceExtension(file, ".jpg");
    if (platform::SameFile(file, source)) {
        platform::DebugOutput("A thumbnail would replace its own picture " + source + "\n");
        return false;
    }
    const auto thumb = RenderThumbnail(box, source, info, size, background, mode, iptc);
    if (!thumb) return false;
    if (mark != nullptr) CopyBlock(ToBgr(*mark), *thumb, box.x - 18, 2, 16, 14);

    PictureInfo description;
    description.SetFromBitmapInfoHeader(thumb->header(), nullptr);
    description.pixels = thumb->Row(0);
    return SaveJPG(description, file, quality);
}

std::unique_ptr<DibSection> ConcatBitmaps(const DibSection& first, const DibSection& second) {
    auto result = DibSection::Create(first.width(), -first.height(), 24);
    if (!result) return nullptr;
    const Bgr a = ToBgr(first);
    const Bgr b = ToBgr(second);
    CopyBlock(a, *result, 0, 0, a.width, a.height);
    CopyBlock(b, *result, std::max(0, a.width - b.width), 0, b.width, b.height);
    return result;
}

std::unique_ptr<DibSection> CreateGreyBitmap(const DibSection& bitmap) {
    const int bits = bitmap.bitCount();
    if (bits < 16) return nullptr;
    auto grey = DibSection::Create(bitmap.width(),
                                   bitmap.topDown() ? -bitmap.height() : bitmap.height(), bits);
    if (!grey) return nullptr;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* in = bitmap.Row(y);
        std::uint8_t* out = grey->Row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            if (bits == 16) {
                const unsigned v = in[x * 2] | (in[x * 2 + 1] << 8);
                const unsigned mean = ((v & 0x1F) + ((v >> 5) & 0x1F) + ((v >> 10) & 0x1F)) / 3;
                const unsigned g = mean | (mean << 5) | (mean << 10);
                out[x * 2] = static_cast<std::uint8_t>(g & 0xFF);
                out[x * 2 + 1] = static_cast<std::uint8_t>(g >> 8);
            } else {
                const int step = bits / 8;
                const std::uint8_t* p = in + x * step;
                const auto mean = static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3);
                std::uint8_t* o = out + x * step;
                o[0] = o[1] = o[2] = mean;
                if (step == 4) o[3] = 0;
            }
        }
    }
    return grey;
}

std::string WrapTextToWidth(std::string_view text, int width,
                            const std::function<int(std::string_view)>& measure) {
    std::string out;
    std::size_t lineStart = 0;  // in `out`
    for (std::size_t i = 0; i < text.size();) {
        // One character: a lead byte and its continuation bytes.
        std::size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        const std::string_view character = text.substr(i, next - i);
        if (character == "\n") {
            out += '\n';
            lineStart = out.size();
        } else {
            const std::string line = out.substr(lineStart) + std::string(character);
            if (out.size() > lineStart && measure(line) >= width) {
                out += '\n';
                lineStart = out.size();
            }
            out.append(character);
        }
        i = next;
    }
    return out;
}
