#include <gtest/gtest.h>

#include <cmath>

#include "trace/Matrix4.h"
#include "trace/Vec3.h"

TEST(Vec3, NormalizeZeroGivesFreshZeros)
{
    Vec3 zero;
    zero.Normalize();
    EXPECT_EQ(zero.x, 0.0);
    Vec3 negative(-0.0, 0.0, -0.0);
    negative.Normalize();
    EXPECT_FALSE(std::signbit(negative.x));
    EXPECT_FALSE(std::signbit(negative.z));

    Vec3 v(3.0, 0.0, 4.0);
    EXPECT_EQ(v.Length(), 5.0);
    v.Normalize();
    EXPECT_EQ(v.x, 0.6);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_EQ(v.z, 0.8);

    Vec3 nan(NAN, 1.0, 1.0);
    nan.Normalize();
    EXPECT_TRUE(std::isnan(nan.y));
}

TEST(Vec3, OperationsKeepTheirOrder)
{
    Vec3 v(1.0, -2.0, 3.0);
    v.ScaleFrom(v, -2.0);  // source and target the same
    EXPECT_EQ(v.x, -2.0);
    EXPECT_EQ(v.y, 4.0);
    EXPECT_EQ(v.z, -6.0);
    // Summed left to right: (1e16 + 1) - 1e16 is 0 in double, 1 + (1e16 - 1e16) would be 1.
    EXPECT_EQ(Dot(Vec3(1e16, 1.0, -1e16), Vec3(1.0, 1.0, 1.0)), 0.0);
    const Vec3 s = Scaled(Vec3(1.0, 2.0, 3.0), 0.5);
    EXPECT_EQ(s.z, 1.5);
    EXPECT_EQ((Vec3(1, 2, 3) - Vec3(3, 2, 1)).x, -2.0);
}

TEST(Vec3, IntegerPowerOfAFloat)
{
    EXPECT_EQ(PowInt(7.5f, 0), 1.0f);
    EXPECT_EQ(PowInt(2.0f, -2), 0.25f);
    EXPECT_EQ(PowInt(3.0f, 5), 243.0f);
    EXPECT_EQ(PowInt(-2.0f, 3), -8.0f);
}

TEST(Matrix4, TransformAppliesTheTranslationEntry)
{
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    identity[3] = -0.5f;
    Matrix4 m;
    m.SetFromArray(identity);
    const Vec4 r = Transform(m, Vec4(1.25f, 2.0f, -10.0f, 1.0f));
    EXPECT_EQ(r.x, 0.75f);
    EXPECT_EQ(r.y, 2.0f);
    EXPECT_EQ(r.z, -10.0f);
    EXPECT_EQ(r.w, 1.0f);

    Matrix4 a, b;
    for (int i = 0; i < 16; ++i) {
        a.m[i] = static_cast<float>(i);
        b.m[i] = (i % 5 == 0) ? 2.0f : 0.0f;  // twice the identity
    }
    const Matrix4 p = Multiply(a, b);
    EXPECT_EQ(p.At(2, 3), 22.0f);
    a.Subtract(p);
    EXPECT_EQ(a.At(1, 1), -5.0f);
    a.Scale(-2.0f);
    EXPECT_EQ(a.At(1, 1), 10.0f);
}
