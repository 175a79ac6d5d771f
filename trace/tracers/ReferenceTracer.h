#ifndef GLINTWORK_REFERENCETRACER_H
#define GLINTWORK_REFERENCETRACER_H

#include <vector>

#include "trace/tracers/PointList.h"
#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"

namespace glintwork {

class Scene;
struct ViewInputs;

// The straightforward tracer: every pixel traced on its own, one step after
// another, the working values handed from step to step through members, and
// every light term worked out in full where the shading reads it. It shares
// no code with the fast path (RoomSetUp, RoomTracer, their batches and kept
// values): it sets itself up from the scene by its own steps, as the window
// sets a tracer up (a field of view of 100 degrees, the screen's aspect, a
// near distance of 0.01), so a frame of one compared with a frame of the
// other compares two independent computations, set-up included.
//
// What a view's picture depends on besides the scene comes as its inputs:
// the eye, the spheres where the moves have put them, the switches, and
// whether it is the environment view (every primary ray first bent off the
// environment sphere).
class ReferenceTracer {
public:
    static constexpr int RoomPlanes = 5;

    ReferenceTracer(const Scene& scene, const ViewInputs& inputs);

    // Every pixel, row by row, into a fresh point list.
    void Render();
    // One primary ray from the eye along the unit `direction`, as a pixel's:
    // the five room planes, then every sphere; its points appended.
    void TraceRay(const Vec3& direction);
    const PointList& Points() const { return points; }
    void ClearPoints() { points.clear(); }

    // The steps of the intersection and shading that answer by themselves.
    bool InsideRoomFace(const Vec3& point, int k) const;
    bool BeyondDepth(const Vec3& point) const;
    // Whether sphere m lies on the whole line through `origin` along the unit
    // `direction` (behind the origin or beyond the light as well).
    bool SphereOnLine(Vec3 origin, Vec3 direction, unsigned m) const;
    // Where that line enters sphere m (only asked after SphereOnLine said yes).
    Vec3 LineEntry(Vec3 origin, Vec3 direction, unsigned m) const;
    // Sets the tint of the pattern at a point of plane k.
    void PlanePattern(const Vec3& point, int k);
    const float* PlaneTint() const { return planeTint; }

private:
    void SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance);
    void SetRoom(const Scene& scene);
    void LoadScene(const Scene& scene);
    // The five room planes with rayDir, then every sphere with primaryDir.
    void TraceRoomAndSpheres();
    void TracePlane(const Vec3& planePoint, const Vec3& planeNormal, int k);
    void ShadeSphere(const Vec3& centre, unsigned i);
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
    // One channel of light j's term on plane k, with its tint, unshadowed
    // from the diffuse and specular factors, or blocked with the blocker's colour.
    double PlaneLightTerm(unsigned j, int k, int c, bool blocked, float shadow, double diffuse, double specular) const;
    void BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const;
    bool SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i);
    bool ReflectedPlanePoint(const Vec3& origin, const Vec3& planePoint, const Vec3& planeNormal, int q, Vec3& point);
    void ReflectedColour(const Vec3& hit, int q);
    // The sphere's light sum at hitPoint into `colour`: a blocked light gives
    // its ambient product, plus the shadow colour `withShadowColour`.
    void SumSphereLights(unsigned i, bool withShadowColour);
    void PlotPoint(float red, float green, float blue);
    Vec3 SphereCentre(unsigned m) const { return Vec3(sphereCentres[m].x, sphereCentres[m].y, sphereCentres[m].z); }

    float pi = 3.14141f;
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
    unsigned planePointCount = 0;
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
    Vec4 sphereCentres[5];
    double pixelX = 0.0, pixelY = 0.0;
    // The environment view: where the pixel's line meets the environment
    // sphere, that point minus its centre, and the primary direction while
    // it is bent and as a unit vector.
    Vec3 envHitPoint, envNormal, envDir, envDirUnit;
    bool environment = false;
    PointList points;
};

}  // namespace glintwork

#endif
