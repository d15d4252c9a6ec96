#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

// Value types shared by the whole system: integer sizes and points, viewer positions
// (z is the zoom) and rectangles.

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

    Vector2& operator+=(const Vector2& o) { x += o.x; y += o.y; return *this; }
    Vector2 operator+(const Vector2& o) const { return Vector2(*this) += o; }
    Vector2& operator-=(const Vector2& o) { x -= o.x; y -= o.y; return *this; }
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

class Vector3 {
public:
    float x = 0;
    float y = 0;
    float z = 0;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3& o) const { return !(*this == o); }
    Vector3& operator+=(const Vector3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector3 operator+(const Vector3& o) const { return Vector3(*this) += o; }
    Vector3& operator-=(const Vector3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector3& Negate() { x = -x; y = -y; z = -z; return *this; }
    Vector3 operator-(const Vector3& o) const { return Vector3(*this) -= o; }
    Vector3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
    Vector3 operator*(float f) const { return Vector3(*this) *= f; }
    Vector3 operator/(float f) const { return Vector3(x / f, y / f, z / f); }
    Vector3& operator/=(float f) { x /= f; y /= f; z /= f; return *this; }

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
};

// Sizes the information sheets and the page converter share.
inline const Vector2<int> kThumbSize48(48, 48);
inline const Vector2<int> kThumbSize64(64, 64);
