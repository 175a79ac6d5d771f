#ifndef GLINTWORK_ROOMSETUP_H
#define GLINTWORK_ROOMSETUP_H

#include <cstdint>
#include <vector>

#include "trace/kernels/LightTables.h"
#include "trace/kernels/PrimaryBatch.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"
#include "trace/scene/TracedSpheres.h"

namespace glintwork {

class Scene;
struct ViewInputs;

// What the fast path knows of a scene once it is set up, for every view and
// every frame until the next scene: the image plane and screen, the room of
// five axis-aligned planes (0 left wall, 1 right wall, 2 back wall, 3 floor,
// 4 ceiling), the planes' materials and exponents, the lights, the spheres'
// radii, materials, exponents and first centres, the depth limit, and what
// follows from them alone (each column's pixel set-up, the room's face
// bounds, every light's products with every material). Built once and never
// changed: every thread reads the same one.
class RoomSetUp {
public:
    static constexpr int RoomPlanes = 5;
    // The value used for pi when the field of view is turned into radians.
    static constexpr float Pi = 3.14141f;

    // The view of a field of view in degrees, an aspect ratio and a near
    // distance, on the scene's screen, with the scene's room, lights and
    // spheres (the first MaxSpheres). The scene holds at least the plane
    // points the room is read from (checked before set-up).
    RoomSetUp(const Scene& scene, float fieldOfView, float aspect, float nearDistance);
    // The window's view of the scene (FieldOfView and NearDistance, at the
    // aspect of its screen).
    explicit RoomSetUp(const Scene& scene);
    RoomSetUp(const RoomSetUp&) = delete;
    RoomSetUp& operator=(const RoomSetUp&) = delete;

    // Unique in the process: what is kept from a trace is valid only for
    // the set-up it was traced with.
    std::uint64_t Id() const { return id; }

    // The image plane and the screen.
    float Top() const { return top; }
    float Bottom() const { return bottom; }
    float Left() const { return left; }
    float Right() const { return right; }
    float NearZ() const { return nearZ; }
    unsigned Rows() const { return rows; }
    unsigned Columns() const { return columns; }
    // Camera basis for a pixel: A = (pixelX, 0, 0), B = (0, pixelY, 0),
    // C = (0, 0, near), each built by scaling a unit axis.
    void SetUpPixel(unsigned row, unsigned column, Vec3& a, Vec3& b, Vec3& c) const;
    // SetUpPixel's A of every column, axis by axis, padded to whole batches
    // of primary rays; and its C, the same for every pixel.
    const double* ColumnA(int axis) const { return columnA[axis].data(); }
    const double* PixelC() const { return pixelC; }

    // The room.
    const Vec3& PlanePoint(int k) const { return planePoints[k]; }
    const Vec3& PlaneNormal(int k) const { return planeNormals[k]; }
    double PlaneExponent(int k) const { return planeExponents[k]; }
    float DepthLimit() const { return depthLimit; }
    // The bounds of the room's faces per axis x, y, z (the walls' and
    // floor's coordinates, and the near distance in front): a point of a
    // plane is on its face if no coordinate the plane spans is below `low` or
    // above `high` (OffFace of LaneFormulas-inl.h).
    const double* FaceLow() const { return faceLow; }
    const double* FaceHigh() const { return faceHigh; }

    // The lights: positions as floats, three a light.
    unsigned LightCount() const { return lightCount; }
    const float* LightPositions() const { return lightPositions.data(); }
    const LightTables& Tables() const { return tables; }

    // The spheres: where the scene puts them, and what never moves.
    unsigned SphereCount() const { return sphereCount; }
    const Vec4& FirstCentre(unsigned m) const { return firstCentres[m]; }
    const double* SphereExponents() const { return sphereExponents.data(); }
    // The spheres at the centres of `inputs`, as the line tests take them.
    SphereSet Spheres(const ViewInputs& inputs) const;

private:
    void SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance);
    void SetRoom(const Scene& scene);
    void LoadScene(const Scene& scene);

    std::uint64_t id;
    float top = 0.0f, bottom = 0.0f, left = 0.0f, right = 0.0f, nearZ = 0.0f;
    unsigned rows = 0, columns = 0;
    std::vector<double> columnA[3];
    double pixelC[3] = {};
    Vec3 planePoints[RoomPlanes];
    Vec3 planeNormals[RoomPlanes];
    double faceLow[3] = {}, faceHigh[3] = {};
    float depthLimit = 0.0f;
    unsigned lightCount = 0;
    std::vector<float> lightPositions;
    std::vector<float> lightColours;
    std::vector<double> planeExponents;
    std::vector<float> planeMaterials;
    unsigned sphereCount = 0;
    Vec4 firstCentres[MaxSpheres];
    std::vector<float> sphereRadii;
    std::vector<float> sphereMaterials;
    std::vector<double> sphereExponents;
    LightTables tables;
};

}  // namespace glintwork

#endif
