#include "geometry/Geometry.h"

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

using F = Vector2<float>;

TEST(Vector2Float, LengthsAreTruncatedIntsAndNormalizeUsesThem) {
    EXPECT_EQ(F(3, 4).Length(), 5);
    EXPECT_EQ(F(3, 4).SquaredLength(), 25);
    EXPECT_EQ(F(1.9f, 0).SquaredLength(), 3);  // 3.61 truncated
    F n(3, 4);
    n.Normalize();
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.y, 0.8f);
    F shortVector(0.5f, 0);  // length 0: left as it is
    EXPECT_EQ(shortVector.Normalize(), F(0.5f, 0));
    // Equal squared lengths once truncated compare equal, whatever the fractions.
    EXPECT_FALSE(F(2.1f, 0) > F(2.2f, 0));
    EXPECT_TRUE(F(-3, 0) > F(2, 0));
}

TEST(Vector2Float, ConversionsToIntTruncateAndSaturate) {
    EXPECT_EQ(F(2.7f, -1.2f).Perpendicular(), Vector2<int>(1, 2));
    EXPECT_EQ(F(1e20f, 1e20f).Perpendicular(), Vector2<int>(-2147483647 - 1, 2147483647));
    EXPECT_EQ(F(1e20f, 0).Length(), 2147483647);
    EXPECT_EQ(F(std::nanf(""), 0).SquaredLength(), 0);
}

TEST(Vector2Float, ScalingKeepsFractions) {
    F v(7, 9);
    v /= 2.5;  // unlike the integer form, a float divisor is used as it is
    EXPECT_EQ(v, F(2.8f, 3.6f));
    EXPECT_EQ(F(5, 7) * 0.5, F(2.5f, 3.5f));
}

TEST(Rect, ViewerOperations) {
    const Rect r{10, 20, 30, 50};
    EXPECT_EQ(r.GetSize(), Vector2<int>(20, 30));
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(29, 49));
    EXPECT_FALSE(r.Contains(30, 20));  // right edge
    EXPECT_FALSE(r.Contains(10, 50));  // bottom edge

    Rect overlap{0, 0, 15, 100};
    EXPECT_EQ(overlap.Intersect(r), (Rect{10, 20, 15, 50}));
    Rect apart{40, 60, 50, 70};
    EXPECT_EQ(apart.Intersect(r), (Rect{30, 60, 30, 60}));  // keeps its right and top
}

TEST(Rect, ClipMovesTheSourceWithTheDestination) {
    const Rect bounds{0, 0, 100, 100};
    Rect destination{-5, 0, 10, 10};
    Rect source{20, 20, 35, 30};
    destination.Clip(bounds, source);
    EXPECT_EQ(destination, (Rect{0, 0, 10, 10}));
    EXPECT_EQ(source, (Rect{25, 20, 35, 30}));

    Rect corner{90, 95, 120, 110};
    Rect from{0, 0, 30, 15};
    corner.Clip(bounds, from);
    EXPECT_EQ(corner, (Rect{90, 95, 100, 100}));
    EXPECT_EQ(from, (Rect{0, 0, 10, 5}));
    EXPECT_EQ(corner.GetSize(), from.GetSize());
}

}  // namespace
