#include "imaging/PictureConverter.h"

#include <bit>
#include <cstring>

#include "platform/bitmap/DibSection.h"
#include "platform/debug/Debug.h"

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// Source readers: pixel i of a row as red, green, blue.

template <int Bits>
struct PaletteFetch {
    const std::uint8_t* row;
    const std::uint32_t* palette;
    Rgb operator()(int i) const {
        unsigned index;
        if constexpr (Bits == 1) {
            index = (row[i >> 3] >> (7 - (i & 7))) & 1u;
        } else if constexpr (Bits == 4) {
            index = (row[i >> 1] >> ((i & 1) ? 0 : 4)) & 0xFu;
        } else {
            index = row[i];
        }
        const std::uint32_t e = palette[index];
        return {static_cast<std::uint8_t>(e), static_cast<std::uint8_t>(e >> 8),
                static_cast<std::uint8_t>(e >> 16)};
    }
};

template <bool Is555>
struct Rgb16Fetch {
    const std::uint8_t* row;
    Rgb operator()(int i) const {
        const unsigned v = row[2 * i] | row[2 * i + 1] << 8;
        if constexpr (Is555) {
            return {static_cast<std::uint8_t>(((v >> 10) & 0x1F) << 3),
                    static_cast<std::uint8_t>(((v >> 5) & 0x1F) << 3),
                    static_cast<std::uint8_t>((v & 0x1F) << 3)};
        } else {
            return {static_cast<std::uint8_t>(((v >> 11) & 0x1F) << 3),
                    static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2),
                    static_cast<std::uint8_t>((v & 0x1F) << 3)};
        }
    }
};

template <int Stride>
struct BytesFetch {
    const std::uint8_t* row;
    Rgb operator()(int i) const {
        const std::uint8_t* p = row + Stride * i;
        return {p[0], p[1], p[2]};
    }
};

struct BgrFetch {
    const std::uint8_t* row;
    Rgb operator()(int i) const {
        const std::uint8_t* p = row + 3 * i;
        return {p[2], p[1], p[0]};
    }
};

// Destination writers.

template <int GreenBits>
struct Store16 {
    std::uint8_t* row;
    void operator()(int i, Rgb c) const {
        unsigned v;
        if constexpr (GreenBits == 6) {
            v = (c.r >> 3u) << 11 | (c.g >> 2u) << 5 | (c.b >> 3u);
        } else if constexpr (GreenBits == 5) {
            v = (c.r >> 3u) << 10 | (c.g >> 3u) << 5 | (c.b >> 3u);
        } else {
            v = (c.r >> 4u) << 8 | (c.g & 0xF0u) | (c.b >> 4u);
        }
        row[2 * i] = static_cast<std::uint8_t>(v);
        row[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
};

struct Store24 {
    std::uint8_t* row;
    void operator()(int i, Rgb c) const {
        std::uint8_t* p = row + 3 * i;
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
};

struct Store32 {
    std::uint8_t* row;
    void operator()(int i, Rgb c) const {
        std::uint8_t* p = row + 4 * i;
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
        p[3] = 0;
    }
};

template <typename Store, typename Fetch>
void Run(int count, Fetch fetch, Store store) {
    for (int i = 0; i < count; ++i) store(i, fetch(i));
}

// Picks the reader for the source and runs it into the store. False when the source depth
// has no reader (or a palette depth comes without its palette).
template <typename Store>
bool Dispatch(const std::uint8_t* source, const std::uint32_t* palette, int count, int sourceBits,
              int sourceGreenBits, Store store) {
    switch (sourceBits) {
        case 1:
            if (palette == nullptr) return false;
            Run(count, PaletteFetch<1>{source, palette}, store);
            return true;
        case 4:
            if (palette == nullptr) return false;
            Run(count, PaletteFetch<4>{source, palette}, store);
            return true;
        case 8:
            if (palette == nullptr) return false;
            Run(count, PaletteFetch<8>{source, palette}, store);
            return true;
        case 16:
            if (sourceGreenBits == 5) {
                Run(count, Rgb16Fetch<true>{source}, store);
            } else {
                Run(count, Rgb16Fetch<false>{source}, store);
            }
            return true;
        case 24:
            Run(count, BytesFetch<3>{source}, store);
            return true;
        case 32:
            // The fourth byte (alpha) has no place in the destinations.
            Run(count, BytesFetch<4>{source}, store);
            return true;
        default:
            return false;
    }
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Store32Bytes(std::uint8_t* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}

// Red-green-blue to blue-green-red, the commonest row of all (every 24-bit picture loaded
// into a 24-bit bitmap). Four pixels are three little-endian words, so they are rearranged
// a word at a time instead of a byte at a time.
void SwapRgb24(const std::uint8_t* source, std::uint8_t* destination, int count) {
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= count; i += 4, source += 12, destination += 12) {
            const std::uint32_t w0 = Load32(source);      // r0 g0 b0 r1
            const std::uint32_t w1 = Load32(source + 4);  // g1 b1 r2 g2
            const std::uint32_t w2 = Load32(source + 8);  // b2 r3 g3 b3
            // b0 g0 r0 b1
            Store32Bytes(destination, (w0 >> 16 & 0xFF) | (w0 & 0xFF00) | (w0 & 0xFF) << 16 |
                                          (w1 >> 8 & 0xFF) << 24);
            // g1 r1 b2 g2
            Store32Bytes(destination + 4,
                         (w1 & 0xFF) | (w0 >> 24) << 8 | (w2 & 0xFF) << 16 | (w1 & 0xFF000000));
            // r2 b3 g3 r3
            Store32Bytes(destination + 8, (w1 >> 16 & 0xFF) | (w2 >> 24) << 8 | (w2 & 0xFF0000) |
                                              (w2 >> 8 & 0xFF) << 24);
        }
    }
    Run(count - i, BytesFetch<3>{source}, Store24{destination});
}

// Three-byte pixels into four-byte ones whose fourth byte is 0, four pixels (three
// little-endian words) at a time. Blue-green-red rows keep their order; red-green-blue rows
// are turned round on the way.
template <bool Swap>
void Widen24To32(const std::uint8_t* source, std::uint8_t* destination, int count) {
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        const auto order = [](std::uint32_t v) {
            if constexpr (Swap) return SwapRedBlue(v);
            return v;
        };
        for (; i + 4 <= count; i += 4, source += 12, destination += 16) {
            const std::uint32_t w0 = Load32(source);
            const std::uint32_t w1 = Load32(source + 4);
            const std::uint32_t w2 = Load32(source + 8);
            Store32Bytes(destination, order(w0 & 0xFFFFFF));
            Store32Bytes(destination + 4, order((w0 >> 24) | (w1 & 0xFFFF) << 8));
            Store32Bytes(destination + 8, order((w1 >> 16) | (w2 & 0xFF) << 16));
            Store32Bytes(destination + 12, order(w2 >> 8));
        }
    }
    if constexpr (Swap) {
        Run(count - i, BytesFetch<3>{source}, Store32{destination});
    } else {
        Run(count - i, BgrFetch{source}, Store32{destination});
    }
}

int LowestSetBit(std::uint32_t mask) {
    return mask == 0 ? -1 : std::countr_zero(mask);
}

}  // namespace

void PictureConverter::SetPixelFormat(const platform::PixelFormat& format) {
    bitsPerPixel = static_cast<int>(format.rgbBitCount);
    redShift = LowestSetBit(format.redMask);
    greenShift = LowestSetBit(format.greenMask);
    blueShift = LowestSetBit(format.blueMask);
    alphaShift = LowestSetBit(format.alphaMask);
    redBits = std::popcount(format.redMask);
    greenBits = std::popcount(format.greenMask);
    blueBits = std::popcount(format.blueMask);
    alphaBits = std::popcount(format.alphaMask);
}

void PictureConverter::SetPictureFormat(const PictureInfo& info) {
    bitsPerPixel = info.bitsPerPixel;
    redShift = info.redShift;
    greenShift = info.greenShift;
    blueShift = info.blueShift;
    alphaShift = info.alphaShift;
    redBits = info.redBits;
    greenBits = info.greenBits;
    blueBits = info.blueBits;
    alphaBits = info.alphaBits;
}

void PictureConverter::Convert(const std::uint8_t* source, std::uint8_t* destination,
                               const std::uint32_t* palette, int count, int sourceBits, int, int,
                               int, int, int sourceGreenBits, int, int) const {
    switch (bitsPerPixel) {
        case 16:
            Write16Bit(source, destination, palette, count, sourceBits, sourceGreenBits);
            break;
        case 24:
            Write24Bit(source, destination, palette, count, sourceBits, sourceGreenBits);
            break;
        case 32:
            Write32Bit(source, destination, palette, count, sourceBits, sourceGreenBits);
            break;
        default:
            platform::DebugOutput("PictureConverter::Convert  Unsupported destination format\n");
            break;
    }
}

void PictureConverter::Convert(const std::uint8_t* source, std::uint8_t* destination,
                               const PictureInfo& from, int count) const {
    Convert(source, destination, from.PaletteData(), count, from.bitsPerPixel, from.redShift,
            from.greenShift, from.blueShift, from.redBits, from.greenBits, from.blueBits, 0);
}

void PictureConverter::ConvertBgr24(const std::uint8_t* source, std::uint8_t* destination,
                                    int count) const {
    switch (bitsPerPixel) {
        case 16:
            switch (greenBits) {
                case 4:
                    Run(count, BgrFetch{source}, Store16<4>{destination});
                    break;
                case 5:
                    Run(count, BgrFetch{source}, Store16<5>{destination});
                    break;
                case 6:
                    Run(count, BgrFetch{source}, Store16<6>{destination});
                    break;
                default:
                    break;  // no 16-bit layout with that green width
            }
            break;
        case 24:
            if (count > 0) std::memcpy(destination, source, static_cast<std::size_t>(count) * 3);
            break;
        case 32:
            Widen24To32<false>(source, destination, count);
            break;
        default:
            platform::DebugOutput("PictureConverter::Convert  Unsupported destination format\n");
            break;
    }
}

void PictureConverter::Write16Bit(const std::uint8_t* source, std::uint8_t* destination,
                                  const std::uint32_t* palette, int count, int sourceBits,
                                  int sourceGreenBits) const {
    bool done;
    switch (greenBits) {
        case 4:
            done = Dispatch(source, palette, count, sourceBits, sourceGreenBits,
                            Store16<4>{destination});
            break;
        case 5:
            done = Dispatch(source, palette, count, sourceBits, sourceGreenBits,
                            Store16<5>{destination});
            break;
        case 6:
            done = Dispatch(source, palette, count, sourceBits, sourceGreenBits,
                            Store16<6>{destination});
            break;
        default:
            return;  // no 16-bit layout with that green width
    }
    if (!done) platform::DebugOutput("PictureConverter::Write16Bit  Unsupported source format\n");
}

void PictureConverter::Write24Bit(const std::uint8_t* source, std::uint8_t* destination,
                                  const std::uint32_t* palette, int count, int sourceBits,
                                  int sourceGreenBits) const {
    if (sourceBits == 24) {
        SwapRgb24(source, destination, count);
        return;
    }
    if (!Dispatch(source, palette, count, sourceBits, sourceGreenBits, Store24{destination})) {
        platform::DebugOutput("PictureConverter::Write24Bit  Unsupported source format\n");
    }
}

void PictureConverter::Write32Bit(const std::uint8_t* source, std::uint8_t* destination,
                                  const std::uint32_t* palette, int count, int sourceBits,
                                  int sourceGreenBits) const {
    if (sourceBits == 24) {
        Widen24To32<true>(source, destination, count);
        return;
    }
    if (!Dispatch(source, palette, count, sourceBits, sourceGreenBits, Store32{destination})) {
        platform::DebugOutput("PictureConverter::Write32Bit  Unsupported source format\n");
    }
}
