// The LuraWave decoder against the fake codec library, which journals the calls it gets and
// fails at the call a test chooses.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/LwfDecoder.h"
#include "imaging/tests/ChunkStream.h"
#include "platform/lwf/fake/FakeFormat.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "testing/DebugCapture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using lwf_testing::FakeJournal;
using lwf_testing::MakeFakeFile;

const bool kFakeCodec = lwf_testing::UseFakeCodec();

bool Head(LwfDecoder& decoder, const Bytes& file, Vector2<int> wanted = {0, 0}) {
    decoder.SetSource(file.data(), file.size());
    decoder.SetWantedSize(wanted);
    return decoder.ReadHead();
}

// A row the fake codec delivers.
Bytes ExpectedRow(int y, int width, int components) {
    Bytes row;
    for (int x = 0; x < width * components; ++x)
        row.push_back(lwf_fake::Sample(x / components, y, x % components));
    return row;
}

// The journal of decoding the first rows of a picture height rows high: the first row is
// mode 1, the last mode 2, those between 0.
std::string RowCalls(int rows, int height, int length) {
    std::string calls;
    for (int y = 0; y < rows; ++y) {
        calls += std::string(y > 0 ? " " : "") + "6:" + std::to_string(y) + "-" +
                 std::to_string(y + 1) + ":mode=" +
                 (y == 0            ? "1"
                  : y + 1 == height ? "2"
                                    : "0") +
                 ":mem:len=" + std::to_string(length);
    }
    return calls;
}

TEST(LwfDecoderFake, DownscalesByTwoFourOrEightTowardsTheWantedSize) {
    ASSERT_TRUE(kFakeCodec);
    const Bytes file = MakeFakeFile(2000, 1000, platform::kLwfColour);
    const std::tuple<Vector2<int>, Vector2<int>, int> cases[] = {
        {{300, 300}, {1000, 500}, 1024},  // min(6, 3) = 3: by 2
        {{100, 100}, {250, 125}, 512},    // 10: by 8
        {{500, 250}, {500, 250}, 512},    // 4: by 4
        {{1000, 1000}, {2000, 1000}, 1024},
        {{0, 100}, {2000, 1000}, 1024},  // a zero component: full size
    };
    for (const auto& [wanted, decoded, resolution] : cases) {
        lwf_testing::FakeReset();
        LwfDecoder decoder;
        ASSERT_TRUE(Head(decoder, file, wanted));
        EXPECT_EQ(decoder.GetInfo().width, decoded.x) << wanted.x;
        EXPECT_EQ(decoder.GetInfo().height, decoded.y) << wanted.x;
        EXPECT_THAT(FakeJournal(), ::testing::HasSubstr("5:" + std::to_string(decoded.x) + "x" +
                                                        std::to_string(decoded.y) +
                                                        ":res=" + std::to_string(resolution)));
    }
}

TEST(LwfDecoderFake, ReadImageCallsTheLibraryInOrderAndEndsDecoding) {
    for (int height : {3, 2, 1}) {
        const Bytes file = MakeFakeFile(4, height, platform::kLwfGray);
        lwf_testing::FakeReset();
        LwfDecoder decoder;
        ASSERT_TRUE(Head(decoder, file));
        // Exactly the picture's bytes on the heap: a row put elsewhere shows under ASan.
        const auto image = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(4 * height));
        ASSERT_TRUE(decoder.ReadImage(image.get(), 4, nullptr));
        EXPECT_EQ(FakeJournal(), "3 4:mem:len=16 5:4x" + std::to_string(height) +
                                     ":res=1024:mem:len=16 " + RowCalls(height, height, 16));
        EXPECT_EQ(Bytes(image.get() + 4 * (height - 1), image.get() + 4 * height),
                  ExpectedRow(height - 1, 4, 1));
        EXPECT_FALSE(decoder.ReadImage(image.get(), 4, nullptr));
        EXPECT_FALSE(decoder.Restart(file.size(), 0));
    }
}

TEST(LwfDecoderFake, ReadLinePutsEachRowWhereItIsPointedAndRestartDecodesAgain) {
    Bytes file = MakeFakeFile(5, 3, platform::kLwfColour, 0);
    file.resize(100, 0);
    LwfDecoder decoder;
    decoder.SetSource(file.data(), 40);
    ASSERT_TRUE(decoder.ReadHead());
    EXPECT_TRUE(decoder.IsProgressive());
    // Two rows, then all three again with the longer data.
    for (int rows : {2, 3}) {
        lwf_testing::FakeReset();
        for (int y = 0; y < rows; ++y) {
            const auto row = std::make_unique<std::uint8_t[]>(15);  // exactly one row
            EXPECT_EQ(decoder.ReadLine(row.get()), y < 2) << y;
            EXPECT_EQ(Bytes(row.get(), row.get() + 15), ExpectedRow(y, 5, 3)) << y;
        }
        if (rows == 2) {
            EXPECT_EQ(FakeJournal(), RowCalls(2, 3, 40));
            ASSERT_TRUE(decoder.Restart(100, 0));
        }
    }
    EXPECT_EQ(FakeJournal(), RowCalls(3, 3, 100));
    Bytes spare(15, 7);
    EXPECT_FALSE(decoder.ReadLine(spare.data()));
    EXPECT_EQ(spare, Bytes(15, 7));

    LwfDecoder plain;
    ASSERT_TRUE(Head(plain, MakeFakeFile(2, 3, platform::kLwfGray, 1)));
    EXPECT_FALSE(plain.IsProgressive());
}

TEST(LwfDecoderFake, RefusesColourSpacesAndSizesItCannotTake) {
    const std::tuple<int, int, const char*> cases[] = {
        {17, 4, "Unsupported source colourmode\n"},
        {6, 4, "Can not handle this Colorspace (6).\n"},
        {0, 4, "Can not handle this Colorspace (0).\n"},
        {1, 0, "Can not handle this picture size (0 x 2).\n"},
        {2, -1, "Can not handle this picture size (-1 x 2).\n"},
        {2, 0x7FFFFFFF, "Can not handle this picture size (2147483647 x 2).\n"},
        // A row the library may describe but nobody should be asked to allocate.
        {2, 400'000'000, "Sorry, insufficient memory.\n"},
    };
    for (const auto& [colourSpace, width, line] : cases) {
        testing_support::DebugCapture capture;
        LwfDecoder decoder;
        EXPECT_FALSE(Head(decoder, MakeFakeFile(width, 2, colourSpace)));
        EXPECT_EQ(capture.lines(), Lines{line});
        EXPECT_FALSE(decoder.IsProgressive());
    }
}

TEST(LwfDecoderFake, EveryFailingCallEndsDecodingWithTheLibrarysText) {
    const Bytes file = MakeFakeFile(3, 3, platform::kLwfColour);
    const std::string asked = "Fake codec: failure asked for by the test\n";
    // Calls 1-3 belong to ReadHead, 4-6 to the three rows.
    for (int call = 1; call <= 6; ++call) {
        for (bool byLine : {false, true}) {
            SCOPED_TRACE(testing::Message() << "call " << call << (byLine ? " by line" : ""));
            testing_support::DebugCapture capture;
            lwf_testing::FakeReset(call);
            LwfDecoder decoder;
            EXPECT_EQ(Head(decoder, file), call > 3);
            std::uint8_t rows[27];
            // ReadLine is true while rows remain; the failing row gives false.
            for (int y = 0; call > 3 && byLine && y <= call - 4; ++y)
                EXPECT_EQ(decoder.ReadLine(rows + 9 * y), y < call - 4) << y;
            if (call > 3 && !byLine) {
                EXPECT_FALSE(decoder.ReadImage(rows, 9, nullptr));
            }
            const std::string expected =
                call == 1   ? "Error 99 in LwfGetDecoHeaderMemoryRequirements():\n" + asked
                : call == 2 ? "Error 99 in LwfGetImageInfo():\n" + asked + "s"
                            : asked;
            EXPECT_EQ(capture.lines(), Lines{expected});
            EXPECT_FALSE(decoder.ReadLine(rows));
            EXPECT_FALSE(decoder.Restart(file.size(), 0));
        }
    }
    lwf_testing::FakeReset();
}

TEST(LwfDecoderFake, AStreamOfUnknownLengthIsReadThroughTheCallbacks) {
    const Bytes file = MakeFakeFile(2, 2, platform::kLwfColour);
    ChunkStream stream(file, 3);
    lwf_testing::FakeReset();
    LwfDecoder decoder;
    decoder.SetStream(&stream);
    ASSERT_TRUE(decoder.ReadHead());
    EXPECT_THAT(FakeJournal(), ::testing::StartsWith("3 4:cb:len=9223372036854775807 "));
    Bytes rows(12);
    ASSERT_TRUE(decoder.ReadImage(rows.data(), 6, nullptr));
    EXPECT_EQ(Bytes(rows.begin() + 6, rows.end()), ExpectedRow(1, 2, 3));
}

}  // namespace
