#ifndef GLINTWORK_MATRIX4_H
#define GLINTWORK_MATRIX4_H

#include "trace/math/Vec4.h"

namespace glintwork {

// A 4x4 float matrix stored row by row: entry (r, c) is m[4 * r + c].
struct Matrix4 {
    float m[16] = {};

    float& At(int row, int column) { return m[4 * row + column]; }
    float At(int row, int column) const { return m[4 * row + column]; }

    void SetFromArray(const float a[16]);
};

// r.i = sum over j of M(i, j) * v.j, accumulated from 0 with j rising.
Vec4 Transform(const Matrix4& m, const Vec4& v);

}  // namespace glintwork

#endif
