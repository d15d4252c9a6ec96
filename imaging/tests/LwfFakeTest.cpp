// The LuraWave decoder against the fake codec library, which journals the calls it gets and
// fails at the call a test chooses.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/LwfDecoder.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "platform/bitmap/DibSection.h"
#include "platform/lwf/fake/FakeFormat.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const bool kFakeCodec = lwf_testing::UseFakeCodec();

constexpr const char* kAskedText = "Fake codec: failure asked for by the test";

bool Head(LwfDecoder& decoder, const Bytes& file, Vector2<int> wanted = {0, 0}) {
    decoder.SetSource(file.data(), file.size());
    decoder.SetWantedSize(wanted);
    return decoder.ReadHead();
}

// The rows the fake codec delivers for a picture downscaled by factor.
Bytes ExpectedRow(int y, int width, int components, int factor) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
        for (int c = 0; c < components; ++c)
            row.push_back(lwf_fake::Sample(x * factor, y * factor, c));
    }
    return row;
}

TEST(LwfDecoderFake, DownscalesByTwoFourOrEightTowardsTheWantedSize) {
    ASSERT_TRUE(kFakeCodec);
    const Bytes file = lwf_testing::MakeFakeFile(2000, 1000, platform::kLwfColour);
    struct Case {
        Vector2<int> wanted;
        Vector2<int> decoded;
        int resolution;
    };
    const Case cases[] = {
        {{300, 300}, {1000, 500}, 1024},  // r = min(6, 3) = 3: by 2
        {{100, 100}, {250, 125}, 512},    // r = 10: by 8
        {{500, 250}, {500, 250}, 512},    // r = 4: by 4
        {{1000, 1000}, {2000, 1000}, 1024},
        {{0, 100}, {2000, 1000}, 1024},  // a zero component: full size
        {{4000, 4000}, {2000, 1000}, 1024},
    };
    for (const Case& c : cases) {
        lwf_testing::FakeReset();
        LwfDecoder decoder;
        ASSERT_TRUE(Head(decoder, file, c.wanted));
        EXPECT_EQ(decoder.GetInfo().width, c.decoded.x) << c.wanted.x;
        EXPECT_EQ(decoder.GetInfo().height, c.decoded.y) << c.wanted.x;
        EXPECT_EQ(decoder.GetInfo().rowBytes, c.decoded.x * 3);
        Vector2<int> size;
        decoder.GetSize(size);
        EXPECT_EQ(size, Vector2<int>(2000, 1000));
        EXPECT_THAT(lwf_testing::FakeJournal(), HasSubstr("5:" + std::to_string(c.decoded.x) + "x" +
                                                          std::to_string(c.decoded.y) +
                                                          ":res=" + std::to_string(c.resolution)));
    }

    // The downscaled rows are the codec's, every eighth pixel of every eighth row here.
    LwfDecoder decoder;
    ASSERT_TRUE(Head(decoder, file, {100, 100}));
    Bytes row(250 * 3);
    EXPECT_TRUE(decoder.ReadLine(row.data()));
    EXPECT_TRUE(decoder.ReadLine(row.data()));
    EXPECT_EQ(row, ExpectedRow(1, 250, 3, 8));
}

TEST(LwfDecoderFake, CallsTheLibraryInOrderWithTheRowModes) {
    const Bytes file = lwf_testing::MakeFakeFile(4, 3, platform::kLwfGray);
    lwf_testing::FakeReset();
    LwfDecoder decoder;
    ASSERT_TRUE(Head(decoder, file));
    const PictureInfo& info = decoder.GetInfo();
    EXPECT_EQ(info.bitsPerPixel, 8);
    EXPECT_EQ(info.rowBytes, 4);
    ASSERT_EQ(info.palette.size(), 256u);
    EXPECT_EQ(info.palette[200], 200u * 0x010101u);
    Bytes rows(4 * 3);
    ASSERT_TRUE(decoder.ReadImage(rows.data(), 4, nullptr));
    EXPECT_EQ(lwf_testing::FakeJournal(),
              "3 4:mem:len=16 5:4x3:res=1024:mem:len=16 6:0-1:mode=1:mem:len=16 "
              "6:1-2:mode=0:mem:len=16 6:2-3:mode=2:mem:len=16");
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(Bytes(rows.begin() + y * 4, rows.begin() + y * 4 + 4), ExpectedRow(y, 4, 1, 1));
    }
    // ReadImage ends decoding: the buffers are gone.
    EXPECT_FALSE(decoder.ReadImage(rows.data(), 4, nullptr));
    EXPECT_FALSE(decoder.Restart(file.size(), 0));

    // Two rows: first then last; one row: first only.
    for (int height : {2, 1}) {
        const Bytes small = lwf_testing::MakeFakeFile(1, height, platform::kLwfGray);
        lwf_testing::FakeReset();
        LwfDecoder d;
        ASSERT_TRUE(Head(d, small));
        Bytes out(static_cast<std::size_t>(height));
        ASSERT_TRUE(d.ReadImage(out.data(), 1, nullptr));
        const std::string journal = lwf_testing::FakeJournal();
        EXPECT_THAT(journal, HasSubstr("6:0-1:mode=1"));
        if (height == 2) {
            EXPECT_THAT(journal, HasSubstr("6:1-2:mode=2"));
        }
    }
}

TEST(LwfDecoderFake, ReadLinePutsEachRowWhereItIsPointed) {
    const Bytes file = lwf_testing::MakeFakeFile(5, 4, platform::kLwfColour);
    LwfDecoder decoder;
    ASSERT_TRUE(Head(decoder, file));
    // Each row goes into a heap block of exactly one row, so a row written at an offset
    // from the block shows under AddressSanitizer.
    for (int y = 0; y < 4; ++y) {
        auto row = std::make_unique<std::uint8_t[]>(15);
        EXPECT_EQ(decoder.ReadLine(row.get()), y < 3) << y;
        EXPECT_EQ(Bytes(row.get(), row.get() + 15), ExpectedRow(y, 5, 3, 1)) << y;
    }
    Bytes spare(15, 7);
    EXPECT_FALSE(decoder.ReadLine(spare.data()));
    EXPECT_EQ(spare, Bytes(15, 7));
}

TEST(LwfDecoderFake, LoadsThroughThePictureLoader) {
    testing_support::TempDir dir;
    const Bytes gray = lwf_testing::MakeFakeFile(2000, 1000, platform::kLwfGray);
    const std::string name = dir.Write("p.LWF", std::string(gray.begin(), gray.end()));
    Vector2<int> size(100, 100);
    auto dib = LoadPictureAsDIB(name, nullptr, &size, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(size, Vector2<int>(2000, 1000));
    EXPECT_EQ(dib->width(), 250);
    EXPECT_EQ(dib->colours()[9], 0x090909u);
    EXPECT_EQ(Bytes(dib->Row(124), dib->Row(124) + 250), ExpectedRow(124, 250, 1, 8));
}

TEST(LwfDecoderFake, RestartDecodesAgainWithTheLengthNowAvailable) {
    Bytes file = lwf_testing::MakeFakeFile(2, 3, platform::kLwfGray, 0);
    file.resize(100, 0);
    LwfDecoder decoder;
    decoder.SetSource(file.data(), 40);
    lwf_testing::FakeReset();
    ASSERT_TRUE(decoder.ReadHead());
    EXPECT_TRUE(decoder.IsProgressive());
    std::uint8_t row[2];
    EXPECT_TRUE(decoder.ReadLine(row));
    EXPECT_TRUE(decoder.ReadLine(row));

    lwf_testing::FakeReset();
    ASSERT_TRUE(decoder.Restart(100, 0));
    EXPECT_TRUE(decoder.ReadLine(row));
    EXPECT_EQ(Bytes(row, row + 2), ExpectedRow(0, 2, 1, 1));
    EXPECT_TRUE(decoder.ReadLine(row));
    EXPECT_FALSE(decoder.ReadLine(row));
    EXPECT_EQ(lwf_testing::FakeJournal(),
              "6:0-1:mode=1:mem:len=100 6:1-2:mode=0:mem:len=100 6:2-3:mode=2:mem:len=100");

    const Bytes plain = lwf_testing::MakeFakeFile(2, 3, platform::kLwfGray, 1);
    LwfDecoder other;
    ASSERT_TRUE(Head(other, plain));
    EXPECT_FALSE(other.IsProgressive());
}

TEST(LwfDecoderFake, RefusesColourSpacesAndSizesItCannotTake) {
    struct Case {
        int colourSpace;
        int width;
        const char* line;
    };
    const Case cases[] = {
        {17, 4, "Unsupported source colourmode\n"},
        {6, 4, "Can not handle this Colorspace (6).\n"},
        {0, 4, "Can not handle this Colorspace (0).\n"},
        {3, 4, "Can not handle this Colorspace (3).\n"},
        {1, 0, "Can not handle this picture size (0 x 2).\n"},
        {2, -1, "Can not handle this picture size (-1 x 2).\n"},
        {2, 0x7FFFFFFF, "Can not handle this picture size (2147483647 x 2).\n"},
    };
    for (const Case& c : cases) {
        testing_support::DebugCapture capture;
        LwfDecoder decoder;
        const Bytes file = lwf_testing::MakeFakeFile(c.width, 2, c.colourSpace);
        EXPECT_FALSE(Head(decoder, file));
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.line});
        std::uint8_t row[64];
        EXPECT_FALSE(decoder.ReadLine(row));
        EXPECT_FALSE(decoder.ReadImage(row, 0, nullptr));
    }
}

TEST(LwfDecoderFake, EveryFailingCallEndsDecodingWithTheLibrarysText) {
    const Bytes file = lwf_testing::MakeFakeFile(3, 3, platform::kLwfColour);
    // Calls 1-3 belong to ReadHead, 4-6 to the three rows.
    for (int call = 1; call <= 6; ++call) {
        for (bool byLine : {false, true}) {
            SCOPED_TRACE(testing::Message() << "call " << call << (byLine ? " by line" : ""));
            testing_support::DebugCapture capture;
            lwf_testing::FakeReset(call);
            LwfDecoder decoder;
            const bool opened = Head(decoder, file);
            EXPECT_EQ(opened, call > 3);
            std::uint8_t rows[27];
            if (opened && byLine) {
                // ReadLine is true while rows remain; the failing row gives false.
                const int failingRow = call - 4;
                for (int y = 0; y <= failingRow; ++y) {
                    EXPECT_EQ(decoder.ReadLine(rows + 9 * y), y < failingRow) << y;
                }
            } else if (opened) {
                EXPECT_FALSE(decoder.ReadImage(rows, 9, nullptr));
            }
            std::string expected;
            if (call == 1) {
                expected = std::string("Error 99 in LwfGetDecoHeaderMemoryRequirements():\n") +
                           kAskedText + "\n";
            } else if (call == 2) {
                expected = std::string("Error 99 in LwfGetImageInfo():\n") + kAskedText + "\ns";
            } else {
                expected = std::string(kAskedText) + "\n";
            }
            EXPECT_EQ(capture.lines(), std::vector<std::string>{expected});
            // Nothing more is decoded once a call failed.
            EXPECT_FALSE(decoder.ReadLine(rows));
            EXPECT_FALSE(decoder.Restart(file.size(), 0));
        }
    }
    lwf_testing::FakeReset();
}

TEST(LwfDecoderFake, AStreamSourceIsReadThroughTheCallbacks) {
    const Bytes file = lwf_testing::MakeFakeFile(2, 2, platform::kLwfColour);
    ChunkStream stream(file, 3);
    lwf_testing::FakeReset();
    LwfDecoder decoder;
    decoder.SetStream(&stream);
    ASSERT_TRUE(decoder.ReadHead());
    EXPECT_EQ(decoder.GetInfo().width, 2);
    EXPECT_THAT(lwf_testing::FakeJournal(), StartsWith("3 4:cb:len="));
    Bytes rows(12);
    ASSERT_TRUE(decoder.ReadImage(rows.data(), 6, nullptr));
    EXPECT_EQ(Bytes(rows.begin() + 6, rows.end()), ExpectedRow(1, 2, 3, 1));
}

}  // namespace
