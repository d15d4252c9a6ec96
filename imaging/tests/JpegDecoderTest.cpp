#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/IPTCData.h"
#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using jpeg_fixtures::Bytes;
using jpeg_fixtures::Colour;
using jpeg_fixtures::Options;

// Decodes through the decoder and returns its rows packed (without the padding).
bool Decode(JpegDecoder& decoder, Bytes& rows) {
    if (!decoder.ReadHead()) return false;
    const PictureInfo& info = decoder.GetInfo();
    rows.assign(static_cast<std::size_t>(info.rowBytes) * static_cast<std::size_t>(info.height),
                0xEE);
    const bool ok = decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
    const std::size_t packed = static_cast<std::size_t>(info.width) * (info.bitsPerPixel / 8);
    Bytes out;
    for (int y = 0; y < info.height; ++y) {
        const auto* row =
            rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(info.rowBytes);
        out.insert(out.end(), row, row + packed);
    }
    rows = out;
    return ok;
}

bool Decode(const Bytes& file, Bytes& rows) {
    JpegDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    return Decode(decoder, rows);
}

const Bytes kStartOfScan{0xFF, 0xDA};

// Hands out a file in small pieces, and throws once `failAt` bytes are gone.
class PieceStream : public SequentialStream {
public:
    PieceStream(const Bytes& bytes, std::size_t failAt = SIZE_MAX)
        : bytes_(bytes), failAt_(failAt) {}
    bool Read(void* buffer, std::uint32_t n, std::uint32_t* read) override {
        if (position_ >= failAt_) throw std::runtime_error("gone");
        const std::size_t count = std::min<std::size_t>({n, 64, bytes_.size() - position_});
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        *read = static_cast<std::uint32_t>(count);
        return true;
    }

private:
    const Bytes& bytes_;
    std::size_t failAt_;
    std::size_t position_ = 0;
};

// The decoder gives the library's own rows; the loader turns them into blue-green-red.
TEST(JpegDecoder, DeliversTheLibrarysRowsAndLoadsThemBlueGreenRed) {
    testing_support::TempDir dir;
    for (const Colour colour : {Colour::Rgb, Colour::Gray, Colour::Cmyk}) {
        for (const bool progressive : {false, true}) {
            Options options;
            options.colour = colour;
            options.progressive = progressive;
            const Bytes file = jpeg_fixtures::Encode(options);
            JpegDecoder decoder;
            decoder.SetSource(file.data(), file.size());
            Bytes rows;
            ASSERT_TRUE(Decode(decoder, rows));
            if (colour != Colour::Cmyk) {
                EXPECT_EQ(rows, jpeg_fixtures::Decode(file));
            }
            const PictureInfo& info = decoder.GetInfo();
            if (colour == Colour::Gray) {
                EXPECT_EQ(info.rowBytes, 40);
                ASSERT_EQ(info.palette.size(), 256u);
                EXPECT_EQ(info.palette[200], 200u * 0x010101u);
            }
            auto dib = LoadPictureAsDIB(dir.Write("p.jpg", jpeg_fixtures::AsString(file)), nullptr,
                                        nullptr, nullptr);
            ASSERT_TRUE(dib);
            const int step = info.bitsPerPixel / 8;
            for (int y = 0; y < 23; ++y) {
                for (int x = 0; x < 37; ++x) {
                    const std::uint8_t* p = dib->Row(y) + x * step;
                    const std::uint8_t* q = rows.data() + (y * 37 + x) * step;
                    const Bytes bgr = step == 1 ? Bytes{p[0]} : Bytes{p[2], p[1], p[0]};
                    ASSERT_EQ(bgr, Bytes(q, q + step))
                        << x << "," << y;
                }
            }
        }
    }
}

TEST(JpegDecoder, ReadLineAndStreamsGiveTheSameRows) {
    const Bytes file = jpeg_fixtures::Encode(Options{});
    const Bytes expected = jpeg_fixtures::Decode(file);

    JpegDecoder lines;
    lines.SetSource(file.data(), file.size());
    ASSERT_TRUE(lines.ReadHead());
    Bytes rows;
    std::vector<std::uint8_t> row(37 * 3);
    int count = 0;
    bool more = true;
    while (more) {
        more = lines.ReadLine(row.data());
        rows.insert(rows.end(), row.begin(), row.end());
        ++count;
    }
    EXPECT_EQ(count, 23);
    EXPECT_EQ(rows, expected);
    EXPECT_FALSE(lines.ReadLine(row.data()));
    EXPECT_FALSE(lines.ReadImage(rows.data(), 111, nullptr));

    PieceStream stream(file);
    JpegDecoder streamed;
    streamed.SetStream(&stream);
    ASSERT_TRUE(Decode(streamed, rows));
    EXPECT_EQ(rows, expected);
}

TEST(JpegDecoder, ChoosesTheLargestScaleThatKeepsTheWantedSize) {
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {300, 300}), 4);
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {1000, 10}), 1);
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {0, 100}), 1);
    EXPECT_EQ(JpegDecoder::ChooseScale(1600, 1200, {-5, 100}), 1);

    testing_support::TempDir dir;
    Options big;
    big.width = 1600;
    big.height = 1200;
    big.quality = 50;
    const Bytes bytes = jpeg_fixtures::Encode(big);
    const std::string path = dir.Write("big.jpg", jpeg_fixtures::AsString(bytes));
    struct Case {
        Vector2<int> wanted;
        int width, height;
    };
    for (const Case& c :
         {Case{{100, 100}, 200, 150}, Case{{400, 400}, 800, 600}, Case{{0, 0}, 1600, 1200}}) {
        Vector2<int> size = c.wanted;
        PictureInfo info;
        auto dib = LoadPictureAsDIB(path, &info, &size, nullptr);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->width(), c.width);
        EXPECT_EQ(dib->height(), c.height);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(size, Vector2<int>(1600, 1200));
    }
    // The bitmap holds the library's own scaled rows, blue-green-red.
    Vector2<int> size(100, 100);
    auto dib = LoadPictureAsDIB(path, nullptr, &size, nullptr);
    const Bytes scaled = jpeg_fixtures::Decode(bytes, 8);
    for (int y : {0, 77, 149}) {
        for (int x : {0, 123, 199}) {
            const auto* p = dib->Row(y) + x * 3;
            const auto* q = scaled.data() + (y * 200 + x) * 3;
            EXPECT_EQ((Bytes{p[2], p[1], p[0]}), (Bytes{q[0], q[1], q[2]})) << x << "," << y;
        }
    }
}

TEST(JpegDecoder, CmykBecomesRedGreenBlueAndYcckIsRefused) {
    Options options;
    options.width = 16;
    options.height = 8;
    options.colour = Colour::Cmyk;
    // Adobe-inverted inks: 255 is no ink. Cyan at full and black at none gives (0, 255, 255);
    // the right half carries half black.
    Bytes inks;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x)
            inks.insert(inks.end(), {0, 255, 255, std::uint8_t(x < 8 ? 255 : 128)});
    }
    const Bytes file = jpeg_fixtures::Encode(options, inks);
    JpegDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    Bytes rows;
    ASSERT_TRUE(Decode(decoder, rows));
    EXPECT_EQ(decoder.GetInfo().bitsPerPixel, 24);
    EXPECT_EQ(decoder.GetInfo().rowBytes, 48);
    ASSERT_EQ(rows.size(), 16u * 8u * 3u);
    auto near = [](int a, int b) { return std::abs(a - b) <= 6; };
    EXPECT_TRUE(near(rows[0], 0) && near(rows[1], 255) && near(rows[2], 255));
    const auto* right = rows.data() + 3 * 3 * 16 + 13 * 3;
    EXPECT_TRUE(near(right[0], 0) && near(right[1], 128) && near(right[2], 128))
        << int(right[0]) << " " << int(right[1]) << " " << int(right[2]);

    testing_support::DebugCapture capture;
    options.colour = Colour::Ycck;
    const Bytes ycck = jpeg_fixtures::Encode(options, inks);
    EXPECT_FALSE(Decode(ycck, rows));
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{
                  "PictureLoader::ReadJPG()  YCCK is an unsupported color format.\n"});
}

TEST(JpegDecoder, FailuresAreReportedAndNeverEscape) {
    testing_support::DebugCapture capture;
    const Bytes file = jpeg_fixtures::Encode(Options{});
    Bytes rows;

    JpegDecoder empty;
    empty.SetSource(file.data(), 0);
    EXPECT_FALSE(empty.ReadHead());
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Error in JPG header\n"});
    JpegDecoder none;
    EXPECT_FALSE(none.ReadHead());
    EXPECT_FALSE(none.ReadImage(rows.data(), 0, nullptr));

    capture.Clear();
    const Bytes junk = jpeg_fixtures::AsBytes("\xFF\xD8\xFF\xC0 this is not a picture");
    EXPECT_FALSE(Decode(junk, rows));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Error in JPG header\n"});

    // A stream that fails inside the header, then one that fails among the rows.
    capture.Clear();
    PieceStream early(file, 100);
    JpegDecoder header;
    header.SetStream(&early);
    EXPECT_FALSE(header.ReadHead());
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unknown error\n"});
    capture.Clear();
    const auto scan =
        std::search(file.begin(), file.end(), kStartOfScan.begin(), kStartOfScan.end());
    PieceStream late(file, static_cast<std::size_t>(scan - file.begin()) + 64);
    JpegDecoder body;
    body.SetStream(&late);
    ASSERT_TRUE(body.ReadHead());
    rows.resize(112 * 23);
    EXPECT_FALSE(body.ReadImage(rows.data(), 112, nullptr));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unknown error\n"});
    EXPECT_FALSE(body.ReadLine(rows.data()));
}

TEST(JpegDecoder, ACutShortFileDecodesToItsEndWithOneWarning) {
    Options options;
    options.width = 64;
    options.height = 64;
    const Bytes file = jpeg_fixtures::Encode(options);
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    testing_support::DebugCapture capture;
    Bytes rows;
    EXPECT_TRUE(Decode(cut, rows));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Premature end of JPEG file\n"});
    const Bytes whole = jpeg_fixtures::Decode(file);
    EXPECT_TRUE(std::equal(rows.begin(), rows.begin() + 64 * 3 * 8, whole.begin()));
}

TEST(JpegDecoder, ReadsTheIptcBlockOnlyIntoATarget) {
    Options options;
    options.markers = {
        {0xED, jpeg_fixtures::Photoshop({{0x0404, jpeg_fixtures::DataSet(120, "A caption")}})}};
    const Bytes file = jpeg_fixtures::Encode(options);
    IPTCData record;
    JpegDecoder decoder;
    decoder.SetIPTCTarget(&record);
    decoder.SetSource(file.data(), file.size());
    Bytes rows;
    ASSERT_TRUE(Decode(decoder, rows));
    EXPECT_TRUE(record.valid);
    EXPECT_EQ(record.caption, "A caption");

    IPTCData untouched;
    untouched.headline = "kept";
    PictureLoader loader;
    ASSERT_TRUE(loader.Open("x.jpg", file.data(), file.size()));
    EXPECT_EQ(untouched.headline, "kept");
    EXPECT_FALSE(untouched.valid);
}

TEST(JpegDecoder, DamagedFilesNeverReadOutsideTheirBytes) {
    Options rgb;
    rgb.width = 24;
    rgb.height = 16;
    rgb.markers = {{0xED, jpeg_fixtures::Photoshop({{0x0404, jpeg_fixtures::DataSet(25, "kw")}})}};
    Options gray = rgb;
    gray.colour = Colour::Gray;
    gray.progressive = true;
    Options cmyk = rgb;
    cmyk.colour = Colour::Cmyk;
    PictureConverter converter;
    converter.bitsPerPixel = 24;
    for (const Options& options : {rgb, gray, cmyk}) {
        const Bytes file = jpeg_fixtures::Encode(options);
        int variant = 0;
        testing_support::ForEachDamagedCopy(
            file, 400,
            [&](const Bytes& copy) {
                IPTCData record;
                JpegDecoder decoder;
                decoder.SetSource(copy.data(), copy.size());
                if (++variant % 2 == 0) decoder.SetIPTCTarget(&record);
                if (variant % 3 == 0) decoder.SetWantedSize({6, 4});
                if (!decoder.ReadHead()) return;
                const PictureInfo& info = decoder.GetInfo();
                Bytes rows(static_cast<std::size_t>(info.rowBytes) *
                           static_cast<std::size_t>(info.height));
                if (variant % 5 == 0) {
                    while (decoder.ReadLine(rows.data())) {
                    }
                } else if (variant % 5 == 1) {
                    // Into a 24-bit bitmap, the way pictures are loaded.
                    const int pitch = info.width * 3;
                    Bytes bitmap(static_cast<std::size_t>(pitch) *
                                 static_cast<std::size_t>(info.height));
                    decoder.ReadImage(bitmap.data(), pitch, &converter);
                } else {
                    decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
                }
            },
            600);
    }
}

}  // namespace
