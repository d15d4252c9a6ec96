#include "imaging/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using V = Vector2<int>;

TEST(Vector2Int, LengthsTruncateAndCompareUnsigned) {
    EXPECT_EQ(V(3, 4).Length(), 5);
    EXPECT_EQ(V(1, 1).Length(), 1);
    EXPECT_TRUE(V(-3, 0) > V(2, 0));
    EXPECT_TRUE(V(2, 0) <= V(0, -2));
    EXPECT_FALSE(V(2, 0) < V(0, -2));
    // Components whose squares overflow a signed int still compare without UB.
    EXPECT_EQ(V(50000, 50000).SquaredLength(), 5000000000u % (1ull << 32));
    EXPECT_EQ(V(46341, 0).Length(), 46341);
}

TEST(Vector2Int, ScalingRulesDifferBetweenCompoundAndPlainDivision) {
    V v(7, 9);
    v /= 2.9;
    EXPECT_EQ(v, V(3, 4));
    EXPECT_EQ(V(7, 9) / 2.9, V(2, 3));
    EXPECT_EQ(V(5, 7) * 0.5, V(2, 3));
    EXPECT_EQ(V(-5, -7) * 0.5, V(-2, -3));
    V zero(4, 4);
    zero /= 0.5;  // no integer divisor: left as it is
    EXPECT_EQ(zero, V(4, 4));
}

TEST(Vector2Int, ArithmeticAndRotation) {
    EXPECT_EQ(V(1, 2) + V(3, 4), V(4, 6));
    EXPECT_EQ(V(1, 2) - V(3, 4), V(-2, -2));
    EXPECT_EQ(V(1, 2).Dot(V(3, 4)), 11);
    EXPECT_EQ(V(1, 2).Cross(V(3, 4)), -2);
    EXPECT_EQ(V(2, 5).Perpendicular(), V(-5, 2));
    EXPECT_EQ(V(10, 0).Rotate(static_cast<float>(std::numbers::pi / 2)), V(0, 10));
    EXPECT_EQ(V(0, 1).Normalize(), V(0, 1));
    EXPECT_EQ(V(3, 4).Normalize(), V(0, 0));
    EXPECT_EQ(V(0, 0).Normalize(), V(0, 0));
}

TEST(Vector3, CrossLengthAndNormalize) {
    EXPECT_EQ(Vector3(1, 0, 0).Cross(Vector3(0, 1, 0)), Vector3(0, 0, 1));
    EXPECT_FLOAT_EQ(Vector3(2, 3, 6).Length(), 7.0f);
    Vector3 n(0, 3, 4);
    n.Normalize();
    EXPECT_FLOAT_EQ(n.y, 0.6f);
    Vector3 zero;
    zero.Normalize();
    EXPECT_EQ(zero, Vector3(0, 0, 0));
    Vector3 s(3, 4, 0);
    s.SetLength(10);
    EXPECT_EQ(s, Vector3(6, 8, 0));
    Vector3 neg(1, -2, 3);
    EXPECT_EQ(neg.Negate(), Vector3(-1, 2, -3));
    EXPECT_EQ(Vector3(2, 4, 6) / 2.0f, Vector3(1, 2, 3));
}

TEST(RectTest, Equality) {
    EXPECT_EQ((Rect{1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
    EXPECT_NE((Rect{1, 2, 3, 4}), (Rect{1, 2, 3, 5}));
}

}  // namespace
