#include "effect/vector3.h"

#include <cmath>

Vector3& Vector3::operator+=(const Vector3& other)
{
    x += other.x;
    y += other.y;
    z += other.z;
    return *this;
}

float Vector3::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}
