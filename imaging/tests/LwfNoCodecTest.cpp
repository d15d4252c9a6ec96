// Without the codec library LuraWave pictures do not load, and say why.

#include <gtest/gtest.h>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/lwf/Lwf.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

const bool kNoCodec = lwf_testing::UseNoCodec();

TEST(LwfDecoderWithoutCodec, LwfFilesFailToLoadWithADebugLine) {
    ASSERT_TRUE(kNoCodec);
    testing_support::TempDir dir;
    const std::string name = dir.Write("picture.lwf", "FLWF and whatever follows");
    testing_support::DebugCapture capture;
    EXPECT_FALSE(platform::LwfCodecAvailable());
    const std::vector<std::string> loading = capture.lines();
    ASSERT_EQ(loading.size(), 1u);
    EXPECT_EQ(loading[0].rfind("Failed to load the LuraWave codec library ", 0), 0u) << loading[0];
    capture.Clear();

    const std::string line =
        "The LuraWave codec library is not available: LuraWave pictures cannot be decoded\n";
    PictureInfo info;
    EXPECT_FALSE(LoadPictureAsDIB(name, &info, nullptr, nullptr));
    EXPECT_FALSE(ReadPictureInfo(name, &info));
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{line, line}));
}

}  // namespace
