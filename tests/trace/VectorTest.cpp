#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "trace/Matrix4.h"
#include "trace/Vec3.h"

// The tracer's arithmetic keeps its order, its signs and its zeros.
TEST(Vec3, ArithmeticKeepsItsOrder)
{
    Vec3 v(3.0, 0.0, 4.0);
    EXPECT_EQ(v.Length(), 5.0);
    v.Normalize();
    EXPECT_EQ(v.x, 0.6);
    EXPECT_EQ(v.z, 0.8);
    Vec3 zero(-0.0, 0.0, -0.0);  // a zero vector becomes fresh positive zeros
    zero.Normalize();
    EXPECT_FALSE(std::signbit(zero.x) || std::signbit(zero.z));
    Vec3 nan(NAN, 1.0, 1.0);
    EXPECT_TRUE(std::isnan(nan.Normalize().y));

    v = Vec3(1.0, -2.0, 3.0);
    v.ScaleFrom(v, -2.0);  // source and target the same
    EXPECT_EQ(v.y, 4.0);
    EXPECT_EQ(v.z, -6.0);
    // Summed left to right: (1e16 + 1) - 1e16 is 0 in double, 1 + (1e16 - 1e16) would be 1.
    EXPECT_EQ(Dot(Vec3(1e16, 1.0, -1e16), Vec3(1.0, 1.0, 1.0)), 0.0);
    EXPECT_EQ(Scaled(Vec3(1.0, 2.0, 3.0), 0.5).z, 1.5);
    EXPECT_EQ((Vec3(1, 2, 3) - Vec3(3, 2, 1)).x, -2.0);
    for (auto [base, n, power] : {std::tuple{7.5f, 0, 1.0f}, {2.0f, -2, 0.25f}, {3.0f, 5, 243.0f}, {-2.0f, 3, -8.0f}})
        EXPECT_EQ(PowInt(base, n), power) << base << "^" << n;
}

TEST(Matrix4, TransformAppliesTheTranslationEntry)
{
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    identity[3] = -0.5f;
    Matrix4 m;
    m.SetFromArray(identity);
    const Vec4 r = Transform(m, Vec4(1.25f, 2.0f, -10.0f, 1.0f));
    EXPECT_EQ(std::tuple(r.x, r.y, r.z, r.w), std::tuple(0.75f, 2.0f, -10.0f, 1.0f));

    Matrix4 a, b;
    for (int i = 0; i < 16; ++i) {
        a.m[i] = static_cast<float>(i);
        b.m[i] = (i % 5 == 0) ? 2.0f : 0.0f;  // twice the identity
    }
    const Matrix4 p = Multiply(a, b);
    EXPECT_EQ(p.At(2, 3), 22.0f);
    a.Subtract(p);
    a.Scale(-2.0f);
    EXPECT_EQ(a.At(1, 1), 10.0f);
}
