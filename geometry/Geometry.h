#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

// Value types shared by the whole system: integer sizes and points, viewer positions
// (z is the zoom) and rectangles.

namespace geometry_detail {

// Float and wide results brought into an int: truncated toward zero, clamped to the int's
// range (a huge or NaN float would otherwise be undefined to convert).
inline int SaturatingInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(v);
}

inline int SaturatingInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace geometry_detail

template <typename T>
class Vector2 {
public:
    T x{};
    T y{};

    Vector2() = default;
    Vector2(T x_, T y_) : x(x_), y(y_) {}

    bool operator==(const Vector2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Vector2& o) const { return !(*this == o); }
    // Orders by length only: (-3, 0) is longer than (2, 0).
    bool operator>(const Vector2& o) const { return SquaredLength() > o.SquaredLength(); }
    bool operator>=(const Vector2& o) const { return SquaredLength() >= o.SquaredLength(); }
    bool operator<(const Vector2& o) const { return SquaredLength() < o.SquaredLength(); }
    bool operator<=(const Vector2& o) const { return SquaredLength() <= o.SquaredLength(); }

    Vector2& operator+=(const Vector2& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vector2 operator+(const Vector2& o) const { return Vector2(*this) += o; }
    Vector2& operator-=(const Vector2& o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    Vector2 operator-(const Vector2& o) const { return Vector2(*this) -= o; }

    Vector2& operator*=(double d) {
        x = static_cast<T>(x * d);
        y = static_cast<T>(y * d);
        return *this;
    }
    Vector2 operator*(double d) const { return Vector2(*this) *= d; }

    // The integer form divides by the integer part of d (so /= 2.9 halves), while
    // operator/ divides in floating point; callers rely on both.
    Vector2& operator/=(double d) {
        if constexpr (std::is_integral_v<T>) {
            const auto divisor = static_cast<T>(d);
            if (divisor != 0) {
                x /= divisor;
                y /= divisor;
            }
        } else {
            x = static_cast<T>(x / d);
            y = static_cast<T>(y / d);
        }
        return *this;
    }
    Vector2 operator/(double d) const {
        return Vector2(static_cast<T>(x / d), static_cast<T>(y / d));
    }

    T Dot(const Vector2& o) const { return static_cast<T>(Mul(x, o.x) + Mul(y, o.y)); }
    T Cross(const Vector2& o) const { return static_cast<T>(Mul(x, o.y) - Mul(y, o.x)); }

    // The squared length is taken as an unsigned 32-bit sum for integers, so large
    // components wrap instead of overflowing a signed int.
    auto SquaredLength() const {
        if constexpr (std::is_integral_v<T>) {
            return static_cast<std::uint32_t>(Mul(x, x) + Mul(y, y));
        } else {
            return x * x + y * y;
        }
    }
    T Length() const { return static_cast<T>(std::sqrt(static_cast<double>(SquaredLength()))); }

    // For integers the factor is the integer quotient 1 / Length(): a unit vector stays,
    // a longer one becomes (0, 0). A zero vector stays as it is.
    Vector2& Normalize() {
        const T length = Length();
        if (length == 0) return *this;
        if constexpr (std::is_integral_v<T>) {
            return *this *= static_cast<double>(1 / length);
        } else {
            return *this *= 1.0 / length;
        }
    }

    Vector2& Rotate(float a) {
        // The sine and cosine are taken in float, as the angle is: sin(pi/2) is then exactly 1
        // and a quarter turn of (10, 0) lands on (0, 10) rather than (0, 9).
        const double c = std::cos(a);
        const double s = std::sin(a);
        const double ox = static_cast<double>(x);
        const double oy = static_cast<double>(y);
        x = static_cast<T>(c * ox - s * oy);
        y = static_cast<T>(s * ox + c * oy);
        return *this;
    }

    Vector2 Perpendicular() const { return Vector2(-y, x); }

private:
    // Integer products are formed in unsigned 32-bit arithmetic: wrapping, never undefined.
    static auto Mul(T a, T b) {
        if constexpr (std::is_integral_v<T>) {
            return static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b);
        } else {
            return a * b;
        }
    }
};

// The viewer's float vector. Its lengths are ints, as the integer vector's are: the length
// and squared length are truncated, the order compares the squared lengths as unsigned
// numbers, and Normalize divides by the truncated length.
template <>
class Vector2<float> {
public:
    float x = 0;
    float y = 0;

    Vector2() = default;
    Vector2(float x_, float y_) : x(x_), y(y_) {}

    bool operator==(const Vector2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Vector2& o) const { return !(*this == o); }
    bool operator>(const Vector2& o) const { return Order() > o.Order(); }
    bool operator>=(const Vector2& o) const { return Order() >= o.Order(); }
    bool operator<(const Vector2& o) const { return Order() < o.Order(); }
    bool operator<=(const Vector2& o) const { return Order() <= o.Order(); }

    Vector2& operator+=(const Vector2& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vector2 operator+(const Vector2& o) const { return Vector2(*this) += o; }
    Vector2& operator-=(const Vector2& o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    Vector2 operator-(const Vector2& o) const { return Vector2(*this) -= o; }

    Vector2& operator*=(double d) {
        x = static_cast<float>(x * d);
        y = static_cast<float>(y * d);
        return *this;
    }
    Vector2 operator*(double d) const { return Vector2(*this) *= d; }
    Vector2& operator/=(double d) {
        const auto f = static_cast<float>(d);
        x /= f;
        y /= f;
        return *this;
    }
    Vector2 operator/(double d) const {
        return Vector2(static_cast<float>(x / d), static_cast<float>(y / d));
    }

    float Dot(const Vector2& o) const { return x * o.x + y * o.y; }
    float Cross(const Vector2& o) const { return x * o.y - y * o.x; }
    int Length() const { return geometry_detail::SaturatingInt(std::sqrt(x * x + y * y)); }
    int SquaredLength() const { return geometry_detail::SaturatingInt(x * x + y * y); }

    // (3, 4) becomes (0.6, 0.8); a vector shorter than 1 has length 0 and stays as it is.
    Vector2& Normalize() {
        const int length = Length();
        if (length == 0) return *this;
        return *this *= 1.0 / length;
    }

    Vector2& Rotate(float a) {
        const float c = std::cos(a);
        const float s = std::sin(a);
        const float ox = x;
        const float oy = y;
        x = ox * c - oy * s;
        y = ox * s + oy * c;
        return *this;
    }

    Vector2<int> Perpendicular() const {
        return Vector2<int>(geometry_detail::SaturatingInt(-static_cast<double>(y)),
                            geometry_detail::SaturatingInt(static_cast<double>(x)));
    }

private:
    std::uint32_t Order() const { return static_cast<std::uint32_t>(SquaredLength()); }
};

class Vector3 {
public:
    float x = 0;
    float y = 0;
    float z = 0;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3& o) const { return !(*this == o); }
    Vector3& operator+=(const Vector3& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vector3 operator+(const Vector3& o) const { return Vector3(*this) += o; }
    Vector3& operator-=(const Vector3& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Vector3& Negate() {
        x = -x;
        y = -y;
        z = -z;
        return *this;
    }
    Vector3 operator-(const Vector3& o) const { return Vector3(*this) -= o; }
    Vector3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Vector3 operator*(float f) const { return Vector3(*this) *= f; }
    Vector3 operator/(float f) const { return Vector3(x / f, y / f, z / f); }
    Vector3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    float Dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector3 Cross(const Vector3& o) const {
        return Vector3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    // A zero vector has no direction and is left as it is.
    Vector3& Normalize() {
        const float length = Length();
        if (length != 0) *this *= 1.0f / length;
        return *this;
    }
    // Scales the position in the plane only; the zoom (z) stays.
    Vector3& SetLength(float l) {
        const float length = Length();
        if (length != 0) {
            x *= l / length;
            y *= l / length;
        }
        return *this;
    }
};

class Rect {
public:
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }

    Vector2<int> GetSize() const {
        return Vector2<int>(geometry_detail::SaturatingInt(std::int64_t{right} - left),
                            geometry_detail::SaturatingInt(std::int64_t{bottom} - top));
    }

    // The right and bottom edges are outside.
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }

    // An empty result keeps its right and top edges.
    Rect& Intersect(const Rect& o) {
        left = std::max(left, o.left);
        right = std::min(right, o.right);
        top = std::max(top, o.top);
        bottom = std::min(bottom, o.bottom);
        MakeOrdered();
        return *this;
    }

    // Clips this rectangle (a blit's destination) to bounds and moves the same edges of
    // second (its source) by the same amounts, so the two stay the same size.
    void Clip(const Rect& bounds, Rect& second) {
        using geometry_detail::SaturatingInt;
        if (left < bounds.left) {
            second.left = SaturatingInt(std::int64_t{second.left} + bounds.left - left);
            left = bounds.left;
        }
        if (right > bounds.right) {
            second.right = SaturatingInt(std::int64_t{second.right} - right + bounds.right);
            right = bounds.right;
        }
        if (top < bounds.top) {
            second.top = SaturatingInt(std::int64_t{second.top} + bounds.top - top);
            top = bounds.top;
        }
        if (bottom > bounds.bottom) {
            second.bottom = SaturatingInt(std::int64_t{second.bottom} - bottom + bounds.bottom);
            bottom = bounds.bottom;
        }
        MakeOrdered();
        second.MakeOrdered();
    }

private:
    void MakeOrdered() {
        if (right < left) left = right;
        if (bottom < top) bottom = top;
    }
};

// Sizes the information sheets and the page converter share.
inline const Vector2<int> kThumbSize48(48, 48);
inline const Vector2<int> kThumbSize64(64, 64);
