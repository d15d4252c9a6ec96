#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "studio/shell/viewer/PagePosition.h"
#include "studio/shell/viewer/PageViewerScript.h"

namespace {

TEST(PagePosition, CentreFromTheViewerCornerAndBackWithWholeHalfSpans) {
    struct Case {
        float posX, posY, posZ;
        int width, height;
        float x, y;
    };
    const Case cases[] = {
        {10, 20, 2, 640, 480, 170, 140},
        // (100 / 2) / 3 = 16.67 counts as 16; an odd size halves downwards first.
        {0, 0, 3, 100, 101, 16, 16},
        {-5.5f, 7.25f, 0.5f, 3, 0, -3.5f, 7.25f},
        // A zoom below 1 widens the span beyond the object.
        {0, 0, 0.25f, 10, 10, 20, 20},
    };
    for (const Case& c : cases) {
        const auto centre = ViewerToPagePosition(c.posX, c.posY, c.posZ, c.width, c.height);
        ASSERT_TRUE(centre.has_value());
        EXPECT_FLOAT_EQ(centre->x, c.x) << c.posX << " " << c.width << " " << c.posZ;
        EXPECT_FLOAT_EQ(centre->y, c.y) << c.posY << " " << c.height << " " << c.posZ;
        EXPECT_FLOAT_EQ(centre->z, c.posZ);
        const auto corner = PageToViewerPosition(*centre, c.width, c.height);
        ASSERT_TRUE(corner.has_value());
        EXPECT_FLOAT_EQ(corner->x, c.posX);
        EXPECT_FLOAT_EQ(corner->y, c.posY);
        EXPECT_FLOAT_EQ(corner->z, c.posZ);
    }
}

TEST(PagePosition, AZoomThatCannotBeDividedByIsRefusedBothWays) {
    for (float zoom : {0.0f, -0.0f, -2.0f, std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_FALSE(ViewerToPagePosition(10, 20, zoom, 640, 480).has_value()) << zoom;
        EXPECT_FALSE(PageToViewerPosition(Vector3(170, 140, zoom), 640, 480).has_value()) << zoom;
    }
}

TEST(PageViewerScript, AnswersAreReadOnlyWhenAViewerWasFoundWithAllItsValues) {
    const auto read = ReadPageViewerAnswer(R"({"found":true,"w":640,"h":480,"x":10,"y":20,"z":2})");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->width, 640);
    EXPECT_EQ(read->height, 480);
    EXPECT_FLOAT_EQ(read->posX, 10);
    EXPECT_FLOAT_EQ(read->posY, 20);
    EXPECT_FLOAT_EQ(read->posZ, 2);
    for (const char* answer :
         {"", "null", "[]", "{\"found\":false}", "{\"found\":true,\"w\":1,\"h\":1,\"x\":1,\"y\":1}",
          "{\"found\":true,\"w\":1,\"h\":1,\"x\":\"1\",\"y\":1,\"z\":1}", "{\"found\":true"}) {
        EXPECT_FALSE(ReadPageViewerAnswer(answer).has_value()) << answer;
    }
}

}  // namespace
