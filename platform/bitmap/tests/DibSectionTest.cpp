#include "platform/bitmap/DibSection.h"

#include <gtest/gtest.h>

namespace {

using platform::DibSection;

TEST(DibSection, PadsRowsAndZeroFills) {
    auto dib = DibSection::Create(10, -3, 24);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->stride(), 32u);  // 30 bytes rounded up
    EXPECT_TRUE(dib->topDown());
    EXPECT_EQ(dib->height(), 3);
    EXPECT_EQ(dib->header().sizeImage, 96u);
    for (std::size_t i = 0; i < dib->byteSize(); ++i) ASSERT_EQ(dib->bits()[i], 0);
    EXPECT_EQ(DibSection::MinimumStride(1, 1), 4u);
    EXPECT_EQ(DibSection::MinimumStride(33, 1), 8u);
    EXPECT_EQ(DibSection::MinimumStride(3, 4), 4u);
}

TEST(DibSection, RowsFollowTheStorageOrder) {
    auto bottomUp = DibSection::Create(4, 2, 32);
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(bottomUp->Row(0), bottomUp->bits() + 16);
    EXPECT_EQ(bottomUp->Row(1), bottomUp->bits());
    auto topDown = DibSection::Create(4, -2, 32);
    EXPECT_EQ(topDown->Row(0), topDown->bits());
}

TEST(DibSection, RefusesImpossibleShapes) {
    EXPECT_FALSE(DibSection::Create(0, 1, 24));
    EXPECT_FALSE(DibSection::Create(1, 0, 24));
    EXPECT_FALSE(DibSection::Create(1, 1, 2));
    EXPECT_FALSE(DibSection::Create(8, 1, 24, 8));       // pitch smaller than a row
    EXPECT_FALSE(DibSection::Create(65535, 65535, 32));  // more than 4 GiB
    auto wide = DibSection::Create(3, 1, 8, 16);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->stride(), 16u);
}

}  // namespace
