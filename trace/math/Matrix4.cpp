#include "trace/math/Matrix4.h"

namespace glintwork {

void Matrix4::SetFromArray(const float a[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = a[i];
}

Vec4 Transform(const Matrix4& m, const Vec4& v)
{
    float r[4];
    for (int i = 0; i < 4; ++i) {
        float sum = 0.0f;
        for (int j = 0; j < 4; ++j) {
            const float product = m.At(i, j) * v[j];
            sum = sum + product;
        }
        r[i] = sum;
    }
    return Vec4(r[0], r[1], r[2], r[3]);
}

}  // namespace glintwork
