#include "imaging/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using V = Vector2<int>;

TEST(Vector2Int, LengthsCompareWithoutSignedOverflow) {
    EXPECT_EQ(V(3, 4).Length(), 5);
    EXPECT_TRUE(V(-3, 0) > V(2, 0));
    EXPECT_FALSE(V(2, 0) < V(0, -2));
    // Products beyond a signed int wrap as unsigned numbers instead of being undefined.
    EXPECT_EQ(V(50000, 50000).SquaredLength(), 5000000000u % (1ull << 32));
    EXPECT_EQ(V(50000, 0).Dot(V(50000, 0)), static_cast<int>(2500000000u));
}

TEST(Vector2Int, ScalingRotationAndDegenerateVectors) {
    EXPECT_EQ(V(), V(0, 0));
    V v(7, 9);
    v /= 2.9;  // the compound form divides by the integer part
    EXPECT_EQ(v, V(3, 4));
    EXPECT_EQ(V(7, 9) / 2.9, V(2, 3));
    V kept(4, 4);
    kept /= 0.5;  // an integer divisor of 0 leaves the vector as it is
    EXPECT_EQ(kept, V(4, 4));
    EXPECT_EQ(V(10, 0).Rotate(static_cast<float>(std::numbers::pi / 2)), V(0, 10));
    EXPECT_EQ(V(0, 1).Normalize(), V(0, 1));
    EXPECT_EQ(V(0, 0).Normalize(), V(0, 0));
}

TEST(Vector3, CrossAndNormalizeIncludingTheZeroVector) {
    EXPECT_EQ(Vector3(1, 0, 0).Cross(Vector3(0, 1, 0)), Vector3(0, 0, 1));
    Vector3 n(0, 3, 4);
    n.Normalize();
    EXPECT_FLOAT_EQ(n.y, 0.6f);
    Vector3 zero;
    zero.Normalize();
    EXPECT_EQ(zero, Vector3(0, 0, 0));
}

}  // namespace
