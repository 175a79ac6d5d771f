#ifndef GLINTWORK_VEC4_H
#define GLINTWORK_VEC4_H

namespace glintwork {

// A homogeneous point in single precision; the tracer's sphere centres (w = 1).
struct Vec4 {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

    Vec4() = default;
    Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    float operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
};

}  // namespace glintwork

#endif
