// The bitmap helpers of the studio: thumbnails scaled with area averaging, the marks put on
// them, grey and joined copies of bitmaps.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/IPTCData.h"
#include "imaging/JpegWriter.h"
#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/MappedFile.h"
#include "studio/core/ShellUtils.h"

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

// Turns one row of bitmap pixels into blue-green-red. 16-bit pixels are 5-6-5 when
// greenBits says 6, else 5-5-5; palette entries are a blue-green-red colour table.
void RowToBgr(const std::uint8_t* in, int width, int bits, const std::uint32_t* colours,
              int greenBits16, std::uint8_t* o) {
    for (int x = 0; x < width; ++x, o += 3) {
        std::uint32_t b = 0, g = 0, r = 0;
        if (bits <= 8) {
            const int perByte = 8 / bits;
            const int shift = 8 - bits - (x % perByte) * bits;
            const int index = (in[x / perByte] >> shift) & ((1 << bits) - 1);
            const std::uint32_t c = colours[index];
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
            const std::size_t step = static_cast<std::size_t>(bits / 8);
            const std::uint8_t* p = in + static_cast<std::size_t>(x) * step;
            b = p[0];
            g = p[1];
            r = p[2];
        }
        o[0] = static_cast<std::uint8_t>(b);
        o[1] = static_cast<std::uint8_t>(g);
        o[2] = static_cast<std::uint8_t>(r);
    }
}

// Reads any bitmap as blue-green-red.
Bgr ToBgr(const DibSection& dib) {
    Bgr out;
    out.width = dib.width();
    out.height = dib.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) *
                      3);
    for (int y = 0; y < out.height; ++y) {
        RowToBgr(dib.Row(y), out.width, dib.bitCount(), dib.colours().data(), 5,
                 out.pixels.data() +
                     static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) * 3);
    }
    return out;
}

// Area averaging from a source of sw x sh pixels to w x h, fed one source row at a time:
// it holds sums for the result only, never the source picture. Along each axis a source
// pixel is `to` units long and a result pixel `from` units, so each result pixel's weights
// add up to sw * sh. Sums are 64-bit: a row of millions of white pixels overflows 32 bits.
class BoxScaler {
public:
    BoxScaler(int sw, int sh, int w, int h)
        : sw_(sw),
          sh_(sh),
          w_(w),
          h_(h),
          across_(static_cast<std::size_t>(w) * 3),
          sums_(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {}

    // 255 * sw * sh must fit the sums.
    static bool Fits(int sw, int sh) {
        return static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh) <= (1ull << 55);
    }

    // Adds source row y (blue-green-red); rows may come in any order.
    void AddRow(int y, const std::uint8_t* bgr) {
        for (int d = 0; d < w_; ++d) {
            const std::int64_t start = static_cast<std::int64_t>(d) * sw_;
            const std::int64_t end = start + sw_;
            std::uint64_t b = 0, g = 0, r = 0;
            for (std::int64_t s = start / w_; s <= (end - 1) / w_; ++s) {
                const auto weight = static_cast<std::uint64_t>(std::min(end, (s + 1) * w_) -
                                                               std::max(start, s * w_));
                const std::uint8_t* p = bgr + s * 3;
                b += weight * p[0];
                g += weight * p[1];
                r += weight * p[2];
            }
            across_[static_cast<std::size_t>(d) * 3] = b;
            across_[static_cast<std::size_t>(d) * 3 + 1] = g;
            across_[static_cast<std::size_t>(d) * 3 + 2] = r;
        }
        const std::int64_t start = static_cast<std::int64_t>(y) * h_;
        const std::int64_t end = start + h_;
        for (std::int64_t d = start / sh_; d <= (end - 1) / sh_; ++d) {
            const auto weight =
                static_cast<std::uint64_t>(std::min(end, (d + 1) * sh_) - std::max(start, d * sh_));
            std::uint64_t* sum = sums_.data() + static_cast<std::size_t>(d) * across_.size();
            for (std::size_t i = 0; i < across_.size(); ++i) sum[i] += weight * across_[i];
        }
    }

    // Writes the result into a 24-bit bitmap at (left, top).
    void WriteInto(DibSection& target, int left, int top) const {
        const std::uint64_t total =
            static_cast<std::uint64_t>(sw_) * static_cast<std::uint64_t>(sh_);
        for (int d = 0; d < h_; ++d) {
            const std::uint64_t* sum = sums_.data() + static_cast<std::size_t>(d) * across_.size();
            std::uint8_t* out = target.Row(top + d) + static_cast<std::size_t>(left) * 3;
            for (std::size_t i = 0; i < across_.size(); ++i) {
                out[i] = static_cast<std::uint8_t>((sum[i] + total / 2) / total);
            }
        }
    }

private:
    std::int64_t sw_, sh_, w_, h_;
    std::vector<std::uint64_t> across_;  // the current row scaled across
    std::vector<std::uint64_t> sums_;    // h rows of w blue-green-red sums
};

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

namespace {

// Decodes the picture row by row into a box filter. The decoder is asked for a reduced
// size where it can give one (JPEG's scaled decoding); either way only rows are held.
std::unique_ptr<DibSection> Render(const Vector2<int>& box, const std::string& path,
                                   PictureInfo* info, Vector2<int>* size, std::uint32_t background,
                                   int mode, IPTCData* iptc) {
    if (box.x <= 0 || box.y <= 0) return nullptr;
    if (iptc != nullptr) *iptc = IPTCData{};
    platform::MappedFile file;
    if (!MapPictureFile(path, file)) return nullptr;
    PictureLoader loader;
    loader.SetWantedSize(box);
    loader.SetIPTCTarget(iptc);
    // A folder's picture is a JPEG kept under the folder's own extension.
    std::string decodeAs = path;
    if (decodeAs.size() > 4 && decodeAs.compare(decodeAs.size() - 4, 4, ".vtd") == 0) {
        ReplaceExtension(decodeAs, ".jpg");
    }
    if (!loader.Open(decodeAs, file.data(), file.size())) return nullptr;
    const PictureInfo decoded = loader.GetInfo();
    const int sw = decoded.width;
    const int sh = decoded.height;
    if (sw <= 0 || sh <= 0 || decoded.rowBytes <= 0 || !BoxScaler::Fits(sw, sh)) {
        platform::DebugOutput("Failed to get valid size from the source image\n");
        return nullptr;
    }
    Vector2<int> full = box;
    loader.GetSize(full);
    if (full.x <= 0 || full.y <= 0) full = Vector2<int>(sw, sh);

    const Placement place = Place(full, box);
    const bool exact = mode == 1;
    auto result =
        DibSection::Create(exact ? place.width : box.x, -(exact ? place.height : box.y), 24);
    if (!result) return nullptr;
    if (!exact) Fill(*result, background);

    // Each row as the decoder gives it, then in the bitmap form a whole picture would
    // have had (the converter's work), then blue-green-red.
    const int bits = decoded.bitsPerPixel;
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(decoded.rowBytes));
    std::vector<std::uint8_t> pixels(std::max(DibSection::MinimumStride(sw, bits), raw.size()));
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(sw) * 3);
    std::vector<std::uint32_t> colours(256, 0);
    for (std::size_t i = 0; i < colours.size() && i < decoded.palette.size(); ++i) {
        colours[i] = SwapRedBlue(decoded.palette[i]);
    }
    PictureConverter converter;
    converter.SetPictureFormat(decoded);
    BoxScaler scaler(sw, sh, place.width, place.height);
    for (int y = 0; y < sh; ++y) {
        // A row the decoder could not give ends the picture: the rest stays black, as in a
        // bitmap that is shown however far the file went.
        if (!loader.ReadLine(raw.data()) && y + 1 < sh) break;
        if (bits > 8) {
            converter.Convert(raw.data(), pixels.data(), decoded, sw);
        } else {
            std::copy(raw.begin(), raw.end(), pixels.begin());
        }
        RowToBgr(pixels.data(), sw, bits, colours.data(), decoded.greenBits, bgr.data());
        scaler.AddRow(y, bgr.data());
    }
    scaler.WriteInto(*result, exact ? 0 : place.left, exact ? 0 : place.top);
    if (info != nullptr) *info = loader.GetInfo();
    if (size != nullptr) *size = full;
    return result;
}

}  // namespace

std::unique_ptr<DibSection> RenderThumbnail(const Vector2<int>& box, const std::string& path,
                                            PictureInfo* info, Vector2<int>* size,
                                            std::uint32_t background, int mode, IPTCData* iptc) {
    // A picture larger than the machine can take is a failed thumbnail, not the end of
    // the studio.
    try {
        return Render(box, path, info, size, background, mode, iptc);
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Not enough memory for a thumbnail of " + path + "\n");
        return nullptr;
    }
}

bool SaveThumbnailJpeg(const Vector2<int>& box, const std::string& source,
                       const std::string& target, int quality, PictureInfo* info,
                       Vector2<int>* size, IPTCData* iptc, const DibSection* mark,
                       std::uint32_t background, int mode) {
    try {
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
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Not enough memory for a thumbnail of " + source + "\n");
        return false;
    }
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
