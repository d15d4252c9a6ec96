#include "imaging/PngDecoder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/PngWriter.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_pictures::PngPicture;
using test_pictures::WritePng;

// A 13 x 11 picture with a pattern of samples, and the rows the decoder is expected to
// deliver: 16-bit samples cut to their high byte, 2-bit samples one a byte, others as stored.
std::pair<Bytes, Bytes> MakeFile(int colourType, int depth, bool interlaced = false) {
    constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    PngPicture p{13, 11, depth, colourType, interlaced};
    for (int i = 0; colourType == 3 && i < (1 << depth); ++i)
        p.palette.push_back({std::uint8_t(255 - i), std::uint8_t(i * 3), std::uint8_t(i)});
    const int perByte = depth < 8 ? 8 / depth : 1;
    Bytes expected;
    for (int y = 0; y < p.height; ++y) {
        Bytes packed;
        for (int i = 0; i < p.width * kChannels[colourType]; ++i) {
            const int v = i * 7919 + y * 104729;
            const int sample = depth == 16 ? v % 65536 : v % (1 << depth);
            if (depth == 16) {
                packed.insert(packed.end(), {std::uint8_t(sample >> 8), std::uint8_t(sample)});
                expected.push_back(static_cast<std::uint8_t>(sample >> 8));
                continue;
            }
            if (i % perByte == 0) packed.push_back(0);
            packed.back() |= static_cast<std::uint8_t>(sample << (8 - depth * (i % perByte + 1)));
            if (depth == 2) expected.push_back(static_cast<std::uint8_t>(sample));
        }
        if (depth != 16 && depth != 2)
            expected.insert(expected.end(), packed.begin(), packed.end());
        p.rows.push_back(packed);
    }
    return {WritePng(p), expected};
}

enum class Route { Image, Lines, Stream };

// The rows by one route; false when the header or the rows failed.
bool Decode(const Bytes& file, Bytes& rows, PictureInfo* info = nullptr,
            Route route = Route::Image) {
    PngDecoder decoder;
    ChunkStream stream(file, 5);
    if (route == Route::Stream) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    rows.clear();
    if (!decoder.ReadHead()) return false;
    if (info != nullptr) *info = decoder.GetInfo();
    const auto rowBytes = static_cast<std::size_t>(decoder.GetInfo().rowBytes);
    const auto height = static_cast<std::size_t>(decoder.GetInfo().height);
    rows.assign(rowBytes * height, 0);
    if (route != Route::Lines)
        return decoder.ReadImage(rows.data(), decoder.GetInfo().rowBytes, nullptr);
    std::size_t row = 0;
    while (decoder.ReadLine(rows.data() + row * rowBytes)) ++row;
    return row + 1 == height;
}

TEST(PngDecoder, EveryColourTypeAndDepthInTheFilesOwnLayout) {
    const std::tuple<int, int, int> cases[] = {
        {0, 1, 1}, {0, 2, 8}, {0, 4, 4}, {0, 8, 8}, {0, 16, 8}, {2, 8, 24}, {2, 16, 24},
        {3, 1, 1}, {3, 2, 8}, {3, 4, 4}, {3, 8, 8}, {6, 8, 32}, {6, 16, 32}};
    for (const auto& [colourType, depth, bitsPerPixel] : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message() << "colour type " << colourType << " depth " << depth
                                            << (interlaced ? " interlaced" : ""));
            const auto [file, expected] = MakeFile(colourType, depth, interlaced);
            for (Route route : {Route::Image, Route::Lines, Route::Stream}) {
                Bytes rows;
                PictureInfo info;
                EXPECT_TRUE(Decode(file, rows, &info, route));
                EXPECT_EQ(info.bitsPerPixel, bitsPerPixel);
                EXPECT_EQ(rows, expected);
                // Gray levels spread over the full range.
                const int levels = 1 << std::min(depth, 8);
                for (int i = 0; colourType == 0 && i < levels; ++i)
                    EXPECT_EQ(info.palette[i], std::uint32_t(i * 255 / (levels - 1)) * 0x010101u);
            }
        }
    }
}

TEST(PngDecoder, TwoBitPalettePicturesLoadWithTheirColours) {
    testing_support::TempDir dir;
    // The palette is red, green, blue; the colour table blue, green, red.
    const Bytes bytes =
        WritePng({3, 1, 2, 3, false, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{0x24}}});
    auto dib = LoadPictureAsDIB(dir.Write("pic.png", std::string(bytes.begin(), bytes.end())),
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(std::vector<std::uint32_t>(dib->colours().begin(), dib->colours().begin() + 3),
              (std::vector<std::uint32_t>{0xFF0000u, 0x00FF00u, 0x0000FFu}));
    EXPECT_EQ(dib->bitCount(), 8);
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 3), (Bytes{0, 2, 1}));
}

TEST(PngDecoder, LibraryWarningsAndErrorsStayInside) {
    const auto [file, expected] = MakeFile(2, 8);
    testing_support::DebugCapture capture;
    // A damaged ancillary chunk (a wrong checksum) is only a warning.
    const Bytes text{0, 0, 0, 1, 't', 'E', 'X', 't', 'x', 0xDE, 0xAD, 0xBE, 0xEF};
    Bytes warned = file, rows;
    warned.insert(warned.begin() + 33, text.begin(), text.end());
    EXPECT_TRUE(Decode(warned, rows));
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(capture.Contains("png read warning\n"));

    // Cut inside the pixel data: the header reads, the rows fail, nothing escapes.
    capture.Clear();
    const Bytes cut(file.begin(), file.end() - 40);
    EXPECT_FALSE(Decode(cut, rows));
    EXPECT_FALSE(rows.empty());
    EXPECT_TRUE(capture.Contains("Error reading data for png picture\n"));
    EXPECT_TRUE(capture.Contains("Serious png error\n"));
    EXPECT_FALSE(Decode(Bytes(file.begin(), file.begin() + 20), rows));
    PngDecoder noSource;
    EXPECT_FALSE(noSource.ReadHead());
    capture.Clear();
    EXPECT_FALSE(Decode(MakeFile(4, 8).first, rows));  // gray with alpha
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unsupported source bitdepth\n"});
}

// The signature and header of a 1 x 1 picture, then a chunk of the given type stating the
// given length, followed by 16 bytes of text.
Bytes StatedChunk(const char* type, std::uint32_t length) {
    const Bytes file = WritePng({.rows = {{1, 2, 3}}});
    Bytes out(file.begin(), file.begin() + 33);
    out.insert(out.end(), {std::uint8_t(length >> 24), std::uint8_t(length >> 16),
                           std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), type, type + 4);
    for (char c : std::string("Title\0some text.")) out.push_back(static_cast<std::uint8_t>(c));
    return out;
}

TEST(PngDecoder, ChunksStatingMoreThanTheFileHoldsAreRefused) {
    struct Case {
        const char* type;
        std::uint32_t length;
        Route route;
    };
    // Longer than the rest of the file, or (from a stream, whose end is unknown) too long
    // for an ancillary chunk. Either way no allocation is tried, so the library does not
    // even warn.
    const Case cases[] = {{"tEXt", 5000, Route::Image}, {"zTXt", 9u << 20, Route::Stream}};
    testing_support::DebugCapture capture;
    for (const Case& c : cases) {
        Bytes rows;
        EXPECT_FALSE(Decode(StatedChunk(c.type, c.length), rows, nullptr, c.route)) << c.type;
    }
    EXPECT_FALSE(capture.Contains("png read warning\n"));

    // A long text whose length is right still reads, by every route.
    capture.Clear();
    const auto [file, expected] = MakeFile(2, 8);
    Bytes text{0, 0, 0x4E, 0x20, 't', 'E', 'X', 't'};
    text.resize(8 + 20000, 'x');
    text[8 + 5] = 0;  // keyword "xxxxx"
    const auto crc = crc32(0, text.data() + 4, 4 + 20000);
    text.insert(text.end(), {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16),
                             std::uint8_t(crc >> 8), std::uint8_t(crc)});
    Bytes withText = file;
    withText.insert(withText.begin() + 33, text.begin(), text.end());
    for (const Route route : {Route::Image, Route::Lines, Route::Stream}) {
        Bytes rows;
        EXPECT_TRUE(Decode(withText, rows, nullptr, route));
        EXPECT_EQ(rows, expected);
    }
    EXPECT_FALSE(capture.Contains("png read warning\n"));
}

size_t StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stoul(line.substr(std::strlen(field)));
    }
    return 0;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A few bytes stating a text chunk of almost 2 GiB are refused by a process that may use
// only 64 MB more than it has. The address sanitizer reserves far more address space than
// it uses, so there the growth of the resident memory is measured instead.
TEST(PngDecoder, AHugeStatedTextChunkCostsNoMemory) {
    constexpr std::size_t kAllowedKilobytes = 64 * 1024;
    for (const char* type : {"tEXt", "iTXt"}) {
        const Bytes file = StatedChunk(type, 0x7FFFFFF0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::size_t before = 0;
            if (kAddressSanitizer) {
                // Restart the peak count from what the process holds now.
                std::ofstream("/proc/self/clear_refs") << "5";
                before = StatusKilobytes("VmRSS:");
            } else {
                const rlimit cap{(StatusKilobytes("VmSize:") + kAllowedKilobytes) * 1024,
                                 RLIM_INFINITY};
                if (::setrlimit(RLIMIT_AS, &cap) != 0) ::_exit(3);
            }
            PngDecoder decoder;
            decoder.SetSource(file.data(), file.size());
            testing_support::DebugCapture capture;
            const bool refused = !decoder.ReadHead() && !capture.Contains("png read warning\n");
            const bool small =
                !kAddressSanitizer || StatusKilobytes("VmHWM:") < before + kAllowedKilobytes;
            ::_exit(refused ? (small ? 0 : 2) : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << type;
        EXPECT_EQ(WEXITSTATUS(status), 0) << type << ": 1 accepted, 2 memory used, 3 no cap";
    }
}

}  // namespace
