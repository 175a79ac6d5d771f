#ifndef GLINTWORK_REFERENCETRACER_H
#define GLINTWORK_REFERENCETRACER_H

#include <vector>

#include "trace/tracers/PointList.h"
#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"

namespace glintwork {

class RoomTracer;
class SceneTracer;
class EnvSceneTracer;

// The straightforward tracer: every pixel traced on its own, one step after
// another, the working values handed from step to step through members, and
// every light term worked out in full where the shading reads it. It shares
// no code with the fast path (RoomTracer, its batches and kept values), so a
// frame of one compared with a frame of the other compares two independent
// computations.
//
// It takes what a frame depends on from a tracer that is set up: the view,
// the room, its own copies of the scene's lists, the spheres where the moves
// have put them, the switches and the eye. Constructed from an
// EnvSceneTracer it traces the environment view (every primary ray first bent
// off the environment sphere).
class ReferenceTracer {
public:
    static constexpr int RoomPlanes = 5;

    explicit ReferenceTracer(const SceneTracer& inputs);
    explicit ReferenceTracer(const EnvSceneTracer& inputs);

    void SetEye(const Vec3& position) { eye = position; }
    // Every pixel, row by row, into a fresh point list.
    void Render();
    const PointList& Points() const { return points; }
    PointList& Points() { return points; }

    // --- steps of one pixel ---------------------------------------------------
    // The five room planes with rayDir, then every sphere with primaryDir.
    void TraceRoomAndSpheres();
    void TracePlane(const Vec3& planePoint, const Vec3& planeNormal, int k);
    void ShadeSphere(const Vec3& centre, unsigned i);
    bool InsideRoomFace(const Vec3& point, int k) const;
    bool BeyondDepth(const Vec3& point) const;
    // Whether sphere m lies on the whole line through `origin` along the unit
    // `direction` (behind the origin or beyond the light as well).
    bool SphereOnLine(Vec3 origin, Vec3 direction, unsigned m) const;
    // Where that line enters sphere m (only asked after SphereOnLine said yes).
    Vec3 LineEntry(Vec3 origin, Vec3 direction, unsigned m) const;
    void PlanePattern(const Vec3& point, int k);

    // --- state ----------------------------------------------------------------
    Vec3 hitPoint;
    bool reflectionsOn = true;
    bool colouredShadowsOn = true;
    float planeTint[3] = {0.3f, 0.0f, 0.0f};
    float top = 0.0f, bottom = 0.0f, left = 0.0f, right = 0.0f, nearZ = 0.0f;
    unsigned rows = 0, columns = 0;
    unsigned sphereCount = 0;
    unsigned row = 0, column = 0;
    Vec3 planePoints[RoomPlanes];
    Vec3 planeNormals[RoomPlanes];
    Vec3 rayDir;
    Vec3 primaryDir;
    Vec3 normal;
    Vec3 reflectDir;
    Vec3 eye;
    Vec3 axisX, axisY, axisZ;
    float depthLimit = 0.0f;
    bool lightBlocked = false;
    unsigned lightCount = 0;
    std::vector<double> sphereExponents;
    std::vector<double> planeExponents;
    std::vector<float> sphereRadii;
    std::vector<float> sphereMaterials;
    std::vector<float> planeMaterials;
    std::vector<float> lightPositions;
    std::vector<float> lightColours;
    double diffuseTerm = 0.0;
    double specularTerm = 0.0;
    Vec3 lightDir;
    Vec3 viewDir;
    Vec3 shadeNormal;
    float colour[3] = {0.0f, 0.0f, 0.0f};
    float reflectedColour[3] = {0.0f, 0.0f, 0.0f};
    float sphereShadowColour[3] = {0.0f, 0.0f, 0.0f};
    float planeShadowColour[3] = {0.0f, 0.0f, 0.0f};
    std::vector<Vec4> sphereCentres;
    double pixelX = 0.0, pixelY = 0.0;
    // The environment view: where the pixel's line meets the environment
    // sphere, that point minus its centre, and the primary direction while
    // it is bent and as a unit vector.
    Vec3 envHitPoint, envNormal, envDir, envDirUnit;

private:
    void TakeInputs(const RoomTracer& inputs);
    // Camera basis of the current row and column.
    void SetUpPixel(Vec3& a, Vec3& b, Vec3& c);
    // Bends the pixel's unit primary direction envDir off the environment
    // sphere into rayDir and primaryDir; false where its line misses it.
    bool BendOffEnvironment();
    // direction = unit(direction - 2 (direction . normal) normal), step by
    // step; `normal` is left scaled by 2 (direction . normal).
    static void Mirror(Vec3& direction, Vec3& normal);
    // The diffuse and specular factors of light j at `point`, seen along
    // `view`, with `surfaceNormal`: into the out values.
    struct Terms {
        Vec3 lightDir, viewDir, shadeNormal;
        double diffuse = 0.0, specular = 0.0;
    };
    Terms LightTerms(const Vec3& point, unsigned j, const Vec3& view, const Vec3& surfaceNormal, double exponent) const;
    // The terms of light j at hitPoint, seen along rayDir, with `normal`,
    // into lightDir, viewDir, shadeNormal, diffuseTerm and specularTerm.
    void SetLightTerms(unsigned j, double exponent);
    void BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const;
    bool SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i);
    bool ReflectedPlanePoint(const Vec3& origin, const Vec3& planePoint, const Vec3& planeNormal, int q, Vec3& point);
    void ReflectedColour(const Vec3& hit, int q);
    // The sphere's light sum at hitPoint into `colour`: a blocked light gives
    // its ambient product, plus the shadow colour `withShadowColour`.
    void SumSphereLights(unsigned i, bool withShadowColour);
    void PlotPoint(float red, float green, float blue);
    Vec3 SphereCentre(unsigned m) const { return Vec3(sphereCentres[m].x, sphereCentres[m].y, sphereCentres[m].z); }

    bool environment = false;
    PointList points;
};

}  // namespace glintwork

#endif
