#ifndef GLINTWORK_ROOMSETUP_H
#define GLINTWORK_ROOMSETUP_H

#include <cstdint>
#include <vector>

#include "trace/math/Vec3.h"

namespace glintwork {

// What the fast tracer (RoomTracer) knows of a view once the scene is set
// up, and keeps until the next set-up: the image plane and screen, the room
// of five axis-aligned planes (0 left wall, 1 right wall, 2 back wall,
// 3 floor, 4 ceiling), the planes' materials, the lights and the depth
// limit; and the eye, which moves only between frames (SetEye). Nothing here
// changes while a frame is traced.
struct RoomSetUp {
    static constexpr int RoomPlanes = 5;

    RoomSetUp();

    // Camera basis for a pixel: A = (pixelX, 0, 0), B = (0, pixelY, 0),
    // C = (0, 0, near), each built by scaling a unit axis.
    void SetUpPixel(unsigned row, unsigned column, Vec3& a, Vec3& b, Vec3& c) const;
    // The bounds of the room's faces per axis x, y, z (the walls' and
    // floor's coordinates, and the near distance in front): a point of a
    // plane is on its face if no coordinate the plane spans is below `low` or
    // above `high` (OffFace of LaneFormulas-inl.h).
    void FaceBounds(double low[3], double high[3]) const;

    // Renewed, unique in the process, by each set-up call of the tracer
    // (SetUpView, SetRoom, LoadScene): values kept from a trace are valid
    // only under the stamp they were traced with.
    std::uint64_t setUpStamp = 0;

    float pi = 3.14141f;  // the value used for pi in the field of view
    float top = 0.0f;
    float bottom = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float nearZ = 0.0f;
    unsigned rows = 0;
    unsigned columns = 0;
    Vec3 eye;
    Vec3 planePoints[RoomPlanes];
    Vec3 planeNormals[RoomPlanes];
    float depthLimit = 0.0f;
    unsigned lightCount = 0;
    unsigned planePointCount = 0;
    std::vector<double> planeExponents;
    std::vector<float> planeMaterials;
    std::vector<float> lightPositions;
    std::vector<float> lightColours;
};

}  // namespace glintwork

#endif
