// The codec library built on OpenJPEG, called through the stand-in's table as the decoder
// calls it, with the blocks filled by hand.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/lwf/Lwf.h"
#include "platform/lwf/testing/LwfTesting.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const bool kOpenJpegCodec = lwf_testing::UseOpenJpegCodec();

// The blocks and buffers of one decoding, filled up to the image information.
struct Session {
    const platform::LwfFunctions& codec = *platform::LwfCodec();
    platform::LwfMemoryBlock memory{};
    platform::LwfImageInfo info{};
    platform::LwfOutputBlock output{};
    platform::LwfDecodeParams params{};
    platform::LwfLibraryBlock library{};
    std::unique_ptr<std::uint8_t[]> header;
    std::unique_ptr<std::uint8_t[]> work[4];

    explicit Session(const Bytes& file) {
        EXPECT_EQ(codec.getDecoHeaderMemoryRequirements(&memory), 0);
        header = std::make_unique<std::uint8_t[]>(memory.headerSize);
        memory.header = header.get();
        params.data = file.data();
        params.length = file.size();
        params.resolution = 1024;
        params.library = &library;
        EXPECT_EQ(codec.getImageInfo(&info, &params, &memory), 0);
    }

    platform::LwfStatus Begin(int width, int rows, int rowBytes, std::uint8_t* buffer) {
        output = {rows, width, buffer, rowBytes};
        const platform::LwfStatus status = codec.decodeBegin(&output, &params, &memory);
        for (int i = 0; i < 4; ++i) {
            work[i] = std::make_unique<std::uint8_t[]>(memory.workSizes[i]);
            memory.work[i] = memory.workSizes[i] != 0 ? work[i].get() : nullptr;
        }
        return status;
    }

    platform::LwfStatus Rows(int first, int end) {
        params.firstRow = first;
        params.endRow = end;
        return codec.decodeRows(&output, &params, &memory);
    }

    std::string Text(platform::LwfStatus status) const { return codec.getErrorText(status); }
};

// Few enough resolution levels for pictures of a few pixels.
const lwf_testing::J2kOptions kSmall{.resolutions = 2};

std::vector<int> Ramp(int width, int height) {
    std::vector<int> samples;
    for (int i = 0; i < width * height * 3; ++i) samples.push_back((i * 7) % 256);
    return samples;
}

TEST(OpenJpegCodec, WritesABandOfRowsFromTheRowBufferOn) {
    ASSERT_TRUE(kOpenJpegCodec);
    ASSERT_TRUE(platform::LwfCodecAvailable());
    const std::vector<int> samples = Ramp(8, 6);
    const Bytes file = lwf_testing::EncodeJ2k(samples, 8, 6, 3, kSmall);
    Session s(file);
    EXPECT_EQ(s.info.width, 8);
    EXPECT_EQ(s.info.height, 6);
    EXPECT_EQ(s.info.colourSpace, platform::kLwfColour);
    EXPECT_EQ(s.info.progressive, 0);

    // Rows of 24 bytes in a pitch of 30: the codec must leave the padding alone.
    Bytes band(3 * 30, 0xEE);
    ASSERT_EQ(s.Begin(8, 6, 30, band.data()), 0);
    ASSERT_EQ(s.Rows(2, 5), 0);
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(band[static_cast<std::size_t>(r * 30 + i)],
                      samples[static_cast<std::size_t>((r + 2) * 24 + i)]);
        }
        for (int i = 24; i < 30; ++i) EXPECT_EQ(band[static_cast<std::size_t>(r * 30 + i)], 0xEE);
    }
}

TEST(OpenJpegCodec, DecodesOncePerDataLength) {
    const Bytes file = lwf_testing::EncodeJ2k(Ramp(8, 6), 8, 6, 3, kSmall);
    Session s(file);
    Bytes row(24);
    ASSERT_EQ(s.Begin(8, 6, 24, row.data()), 0);
    ASSERT_EQ(s.Rows(0, 1), 0);
    const Bytes first = row;

    // Same length: the rows come from the picture already decoded, whatever the data say now.
    const Bytes zeros(file.size(), 0);
    s.params.data = zeros.data();
    ASSERT_EQ(s.Rows(0, 1), 0);
    EXPECT_EQ(row, first);
    // Another length decodes again, and these data are no codestream.
    s.params.length = file.size() - 1;
    EXPECT_EQ(s.Text(s.Rows(0, 1)), "The picture header cannot be read");
}

TEST(OpenJpegCodec, RefusesBlocksThatDoNotFitAndCallsOutOfOrder) {
    const Bytes file = lwf_testing::EncodeJ2k(Ramp(40, 20), 40, 20, 3);
    const platform::LwfFunctions& codec = *platform::LwfCodec();
    EXPECT_EQ(std::string(codec.getErrorText(999)), "Unknown codec status");
    EXPECT_EQ(std::string(codec.getErrorText(codec.getDecoHeaderMemoryRequirements(nullptr))),
              "A block passed to the codec is missing");

    {
        // Decoding before the picture information was read.
        platform::LwfMemoryBlock memory{};
        platform::LwfDecodeParams params{};
        platform::LwfLibraryBlock library{};
        params.library = &library;
        Bytes header(256);
        memory.header = header.data();
        memory.headerSize = header.size();
        platform::LwfOutputBlock output{20, 40, nullptr, 120};
        EXPECT_EQ(std::string(codec.getErrorText(codec.decodeBegin(&output, &params, &memory))),
                  "The picture information has not been read");
        platform::LwfImageInfo info{};
        memory.header = nullptr;
        EXPECT_EQ(std::string(codec.getErrorText(codec.getImageInfo(&info, &params, &memory))),
                  "The header buffer is missing or too small");
    }

    Bytes row(200);
    {
        Session s(file);
        // Only halvings of the picture fit, with rows long enough.
        EXPECT_EQ(s.Text(s.Begin(13, 6, 39, row.data())),
                  "The output block does not fit the picture");
        EXPECT_EQ(s.Text(s.Begin(20, 10, 59, row.data())),
                  "The output block does not fit the picture");
        EXPECT_EQ(s.Begin(5, 2, 15, row.data()), 0);
    }
    {
        Session s(file);
        ASSERT_EQ(s.Begin(40, 20, 120, row.data()), 0);
        for (auto [first, end] : {std::pair{-1, 1}, std::pair{3, 3}, std::pair{19, 21}}) {
            EXPECT_EQ(s.Text(s.Rows(first, end)), "The rows asked for are outside the picture");
        }
        s.memory.work[0] = nullptr;
        EXPECT_EQ(s.Text(s.Rows(0, 1)), "The work buffers are missing or too small");
    }
}

}  // namespace
