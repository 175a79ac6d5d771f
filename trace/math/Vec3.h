#ifndef GLINTWORK_VEC3_H
#define GLINTWORK_VEC3_H

#include <cmath>

namespace glintwork {

// Three doubles: points, directions, normals and colours in double precision.
// Every operation keeps a fixed order of arithmetic (x, then y, then z; sums
// left to right): the traced picture depends on the last bit of these values.
struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    // In place: this = s * v. v may be this vector itself.
    Vec3& ScaleFrom(const Vec3& v, double s)
    {
        x = s * v.x;
        y = s * v.y;
        z = s * v.z;
        return *this;
    }

    Vec3& DivideBy(double d)
    {
        x = x / d;
        y = y / d;
        z = z / d;
        return *this;
    }

    Vec3& SetZero()
    {
        x = 0.0;
        y = 0.0;
        z = 0.0;
        return *this;
    }

    double LengthSquared() const { return x * x + y * y + z * z; }
    double Length() const { return std::sqrt(LengthSquared()); }

    // A zero length gives fresh zeros (never NaN, never -0); a NaN length
    // takes the division branch, so NaN spreads.
    Vec3& Normalize()
    {
        const double length = Length();
        if (length == 0.0)
            return SetZero();
        return DivideBy(length);
    }
};

inline Vec3 operator+(const Vec3& a, const Vec3& b)
{
    return Vec3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline Vec3 operator-(const Vec3& a, const Vec3& b)
{
    return Vec3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline Vec3 Scaled(const Vec3& a, double s)
{
    return Vec3(s * a.x, s * a.y, s * a.z);
}
inline double Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace glintwork

#endif
