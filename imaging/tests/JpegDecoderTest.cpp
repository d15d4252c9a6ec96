#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using jpeg_fixtures::Bytes;
using jpeg_fixtures::Colour;
using jpeg_fixtures::Options;
using Lines = std::vector<std::string>;

// Hands out a file 64 bytes at a time and throws once failAt bytes are gone.
class ThrowingStream : public ChunkStream {
public:
    ThrowingStream(const Bytes& bytes, std::uint32_t failAt)
        : ChunkStream(bytes, 64), left_(failAt) {}
    bool Read(void* buffer, std::uint32_t n, std::uint32_t* read) override {
        if (left_ == 0) throw std::runtime_error("gone");
        const bool ok = ChunkStream::Read(buffer, std::min(n, left_), read);
        left_ -= *read;
        return ok;
    }

private:
    std::uint32_t left_;
};

// The rows by ReadImage or line by line (widths here need no row padding); false when
// anything failed.
bool Decode(JpegDecoder& decoder, Bytes& rows, bool byLine = false) {
    rows.clear();
    if (!decoder.ReadHead()) return false;
    const PictureInfo& info = decoder.GetInfo();
    const auto rowBytes = static_cast<std::size_t>(info.rowBytes);
    rows.assign(rowBytes * static_cast<std::size_t>(info.height), 0xEE);
    if (!byLine) return decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
    // ReadLine is true while rows remain, false with the last one.
    bool ok = true;
    for (int y = 0; y < info.height; ++y)
        ok = decoder.ReadLine(&rows[static_cast<std::size_t>(y) * rowBytes]) ==
                 (y + 1 < info.height) &&
             ok;
    return ok;
}

bool Decode(const Bytes& file, Bytes& rows) {
    JpegDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    return Decode(decoder, rows);
}

TEST(JpegDecoder, EveryRouteGivesTheLibrarysRowsAndTheLoaderBlueGreenRed) {
    testing_support::TempDir dir;
    for (const Colour colour : {Colour::Rgb, Colour::Gray}) {
        for (const int scans : {0, 1, 2}) {  // one, progressive, one per component
            SCOPED_TRACE(testing::Message()
                         << (colour == Colour::Rgb ? "colour" : "gray") << " scans " << scans);
            const Bytes file = jpeg_fixtures::Encode(
                {.colour = colour, .progressive = scans == 1, .scanPerComponent = scans == 2});
            const Bytes expected = jpeg_fixtures::Decode(file);
            // From memory, line by line, from a stream.
            for (int route = 0; route < 3; ++route) {
                JpegDecoder decoder;
                ChunkStream stream(file, 64);
                if (route == 2) {
                    decoder.SetStream(&stream);
                } else {
                    decoder.SetSource(file.data(), file.size());
                }
                Bytes rows;
                EXPECT_TRUE(Decode(decoder, rows, route == 1)) << route;
                EXPECT_EQ(rows, expected) << route;
            }
            auto dib = LoadPictureAsDIB(dir.Write("p.jpg", jpeg_fixtures::AsString(file)), nullptr,
                                        nullptr, nullptr);
            ASSERT_TRUE(dib);
            const int step = jpeg_fixtures::Components(colour);
            Bytes loaded;
            for (int y = 0; y < 23; ++y) {
                for (const std::uint8_t* p = dib->Row(y); p < dib->Row(y) + 40 * step; p += step)
                    loaded.insert(loaded.end(), std::reverse_iterator(p + step),
                                  std::reverse_iterator(p));
            }
            EXPECT_EQ(loaded, expected);

            // Into a 32-bit destination: blue, green, red and a zero byte.
            JpegDecoder decoder;
            decoder.SetSource(file.data(), file.size());
            ASSERT_TRUE(decoder.ReadHead());
            PictureConverter to32;
            to32.bitsPerPixel = 32;
            Bytes wide(40u * 23u * 4u, 0xEE), narrowed;
            ASSERT_TRUE(decoder.ReadImage(wide.data(), 40 * 4, &to32));
            for (std::size_t i = 0; i < wide.size(); i += 4) {
                EXPECT_EQ(wide[i + 3], 0);
                if (step == 1) {
                    narrowed.push_back(wide[i]);
                } else {
                    narrowed.insert(narrowed.end(), {wide[i + 2], wide[i + 1], wide[i]});
                }
            }
            EXPECT_EQ(narrowed, expected);
        }
    }
}

TEST(JpegDecoder, ScalesDownTowardsTheWantedSize) {
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {300, 300}), 4);
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {0, 100}), 1);  // no wanted size
    testing_support::TempDir dir;
    const Bytes bytes = jpeg_fixtures::Encode({.width = 1600, .height = 1200, .quality = 50});
    Vector2<int> size(100, 100);
    auto dib = LoadPictureAsDIB(dir.Write("big.jpg", jpeg_fixtures::AsString(bytes)), nullptr,
                                &size, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->width(), 200);
    EXPECT_EQ(dib->height(), 150);
    EXPECT_EQ(size, Vector2<int>(1600, 1200));  // the size before scaling
}

TEST(JpegDecoder, CmykBecomesRedGreenBlueAndOtherColourSpacesAreRefused) {
    // Adobe-inverted inks: 255 is no ink. Full cyan and no black gives (0, 255, 255); the
    // right half carries half black.
    Bytes inks;
    for (int i = 0; i < 16 * 8; ++i)
        inks.insert(inks.end(), {0, 255, 255, std::uint8_t(i % 16 < 8 ? 255 : 128)});
    Bytes rows;
    ASSERT_TRUE(Decode(
        jpeg_fixtures::Encode({.width = 16, .height = 8, .colour = Colour::Cmyk}, inks), rows));
    ASSERT_EQ(rows.size(), 16u * 8u * 3u);
    for (auto [at, r, g, b] : {std::tuple{0, 0, 255, 255}, {3 * 16 + 13, 0, 128, 128}}) {
        EXPECT_NEAR(rows[at * 3], r, 6);
        EXPECT_NEAR(rows[at * 3 + 1], g, 6);
        EXPECT_NEAR(rows[at * 3 + 2], b, 6);
    }
    testing_support::DebugCapture capture;
    EXPECT_FALSE(Decode(
        jpeg_fixtures::Encode({.width = 16, .height = 8, .colour = Colour::Ycck}, inks), rows));
    EXPECT_FALSE(
        Decode(jpeg_fixtures::Encode({.width = 16, .height = 8, .colour = Colour::TwoComponents},
                                     Bytes(16 * 8 * 2, 7)),
               rows));
    EXPECT_EQ(capture.lines(),
              (Lines{"PictureLoader::ReadJPG()  YCCK is an unsupported color format.\n",
                     "PictureLoader::ReadJPG()  Unsupported format of jpeg file.\n"}));
}

TEST(JpegDecoder, FailuresAreReportedAndNeverEscape) {
    testing_support::DebugCapture capture;
    const Bytes file = jpeg_fixtures::Encode({.width = 64, .height = 64});
    Bytes rows;
    JpegDecoder none;
    EXPECT_FALSE(none.ReadHead());
    EXPECT_FALSE(Decode(jpeg_fixtures::AsBytes("\xFF\xD8\xFF\xC0 this is not a picture"), rows));
    EXPECT_EQ(capture.lines(), Lines{"Error in JPG header\n"});

    // A stream that throws inside the header, then one that throws among the rows.
    const Bytes startOfScan{0xFF, 0xDA};
    const auto scan = std::search(file.begin(), file.end(), startOfScan.begin(), startOfScan.end());
    for (const auto failAt : {100u, static_cast<std::uint32_t>(scan - file.begin()) + 64}) {
        capture.Clear();
        ThrowingStream stream(file, failAt);
        JpegDecoder decoder;
        decoder.SetStream(&stream);
        EXPECT_FALSE(Decode(decoder, rows));
        EXPECT_EQ(capture.lines(), Lines{"Unknown error\n"});
        EXPECT_EQ(rows.empty(), failAt == 100u);
        Bytes row(64 * 3);
        EXPECT_FALSE(decoder.ReadLine(row.data()));  // a failed decoder stays failed
    }

    // Quiet, neither header failure writes a line, through the decoder or the loader.
    capture.Clear();
    JpegDecoder quiet;
    quiet.SetQuiet(true);
    EXPECT_FALSE(Decode(quiet, rows));
    const Bytes garbage = jpeg_fixtures::AsBytes("\xFF\xD8\xFF\xC0 this is not a picture");
    quiet.SetSource(garbage.data(), garbage.size());
    EXPECT_FALSE(Decode(quiet, rows));
    ThrowingStream throwing(file, 100);
    quiet.SetStream(&throwing);
    EXPECT_FALSE(Decode(quiet, rows));
    PictureLoader loader;
    loader.SetQuiet(true);
    EXPECT_FALSE(loader.Open("x.jpg", garbage.data(), garbage.size()));
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_TRUE(loader.Open("x.jpg", file.data(), file.size()));

    // A file cut short decodes to its end with one warning.
    capture.Clear();
    EXPECT_TRUE(Decode(
        Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2)), rows));
    EXPECT_EQ(capture.lines(), Lines{"Premature end of JPEG file\n"});
    EXPECT_TRUE(
        std::equal(rows.begin(), rows.begin() + 64 * 3 * 8, jpeg_fixtures::Decode(file).begin()));
}

}  // namespace
