#pragma once

// x^n by repeated squaring; a negative n gives the reciprocal.
inline float IntPower(float x, int n) {
    const bool reciprocal = n < 0;
    // Widened before negating so that the most negative int has a magnitude too.
    long long e = reciprocal ? -static_cast<long long>(n) : n;
    float result = 1.0f;
    float base = x;
    while (e > 0) {
        if (e & 1) result *= base;
        base *= base;
        e >>= 1;
    }
    return reciprocal ? 1.0f / result : result;
}
