#pragma once

// A point or direction in world units. Plain value: no invariant, every
// operation works component by component in single precision.
struct Vector3 {
    constexpr Vector3() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    // Returns this vector, so that additions can be chained.
    Vector3& operator+=(const Vector3& other);

    // Euclidean length, sqrt(x*x + y*y + z*z).
    float Length() const;

    float x;
    float y;
    float z;
};
