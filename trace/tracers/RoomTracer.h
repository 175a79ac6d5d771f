#ifndef GLINTWORK_ROOMTRACER_H
#define GLINTWORK_ROOMTRACER_H

#include <cstdint>
#include <vector>

#include "trace/kernels/ComposeBatch.h"
#include "trace/tracers/KeptView.h"
#include "trace/kernels/LightBatch.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/kernels/PlanePointBatch.h"
#include "trace/tracers/PointList.h"
#include "trace/kernels/PrimaryBatch.h"
#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"

class Scene;

// The fast path's state and steps, shared by both views' tracers: a room of five axis-aligned
// planes (0 left wall, 1 right wall, 2 back wall, 3 floor, 4 ceiling) with up
// to five spheres inside, lit by point lights, with shadows and one bounce of
// reflection from the spheres onto the room.
//
// The working values of a trace (hit point, ray direction, normal, light
// direction, the colour being summed) are members: each step hands its result
// on to the next through them, and some steps deliberately leave them changed
// (a plane that rejects its hit leaves rayDir scaled for the next plane; the
// reflected ray stays scaled from plane to plane). Keep that order.
//
// Every accepted hit is appended to the point list, in drawing order; nothing
// here touches OpenGL.
//
// A tracer may be copied: the copy takes the whole state (scene lists, view,
// spheres, switches, eye) but starts with a point list of its own, so copies
// can trace separate bands of rows side by side.
class RoomTracer {
public:
    static constexpr unsigned MaxSpheres = ::MaxSpheres;
    static constexpr int RoomPlanes = 5;

    RoomTracer();

    // View extents from a field of view in degrees, an aspect ratio and the
    // near distance; screen size, sphere centres and depth limit from the scene.
    void SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance);
    // One coordinate of each room plane's point, from the scene's plane points.
    void SetRoom(const Scene& scene);
    // Own copies of the scene's lights, materials, radii and exponents.
    void LoadScene(const Scene& scene);
    void SetEye(const Vec3& position) { eye = position; }

    // Renewed, unique in the process, by each of the three set-up calls:
    // values kept from a trace are valid only under the stamp they were
    // traced with.
    std::uint64_t setUpStamp = 0;

    // The kept plane values this tracer records into or composes from while
    // it traces rows (a band of a view; see KeptView.h). `maxValues` bounds
    // what a recording keeps: beyond it the band stops recording and stays
    // incomplete. With `factors` a recording keeps the light factors too.
    void StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues, bool factors = false);
    KeepMode Keeping() const { return keeping.mode; }
    // Compose or Reuse: the band's pixels from its kept values, appended to
    // `out`; sphere points traced in full.
    void ComposeKeptRows(PointList& out);

    void ToggleReflections() { reflectionsOn = !reflectionsOn; }
    void ToggleColouredShadows() { colouredShadowsOn = !colouredShadowsOn; }

    const PointList& Points() const { return plotted.own; }
    PointList& Points() { return plotted.own; }

    // Skips work whose result can never be seen; the points that can show
    // are those of the straightforward tracer (ReferenceTracer), bit for bit:
    // - a sphere point is plotted once for each room plane its reflection
    //   faces, all at one position; with the less-or-equal depth test only the
    //   last can show, so only that one is worked out and plotted;
    // - the room planes' normals are unit axes already: normalising them
    //   changes nothing and is skipped;
    // - the normalised view direction of the light terms is never read;
    // - a light blocked by a sphere adds no diffuse or specular part, so
    //   those factors are not worked out for it.

    // --- steps of one pixel ---------------------------------------------------
    // Camera basis for the current row and column: A = (pixelX, 0, 0),
    // B = (0, pixelY, 0), C = (0, 0, near), each built by scaling a unit axis.
    void SetUpPixel(Vec3& a, Vec3& b, Vec3& c);
    // The colour of the accepted hit at hitPoint on plane k, plotted, from
    // point p of `batch`, whose light terms and shadow tests are worked out
    // already; rayDir is the primary direction.
    void ShadeBatchedPlanePoint(const PlanePointBatch& batch, int k, unsigned p);
    void ShadeSphere(const Vec3& centre, unsigned i);

    bool InsideRoomFace(const Vec3& point, int k) const;
    bool BeyondDepth(const Vec3& point) const;
    // Whether sphere m lies on the whole line through `origin` along the
    // unit `direction`, and where that line enters it (asked only after the
    // first said yes): the line test of LaneFormulas-inl.h, on sphereSet.
    bool SphereOnLine(const Vec3& origin, const Vec3& direction, unsigned m) const;
    Vec3 LineEntry(const Vec3& origin, const Vec3& direction, unsigned m) const;
    // The spheres as the line tests take them (SphereLanes.h), from the
    // centres and radii.
    SphereSet Spheres() const;
    bool ReflectedPlanePoint(const Vec3& origin, const Vec3& planePoint, const Vec3& planeNormal, int q, Vec3& point);

    void PlanePattern(const Vec3& point, int k);
    void BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const;
    bool SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i);
    // The light sum of reflected plane point `point` on plane q, seen along `view`.
    void ReflectedLightSum(const Vec3& point, int q, const Vec3& view, float out[3]);
    void PlotPoint(float red, float green, float blue);
    // The band's plane points from the kept values, into its composed list.
    void ComposeKeptPlanes(const SphereSet& spheres);

    // --- state ----------------------------------------------------------------
    float pi = 3.14141f;  // the value used for pi in the field of view
    Vec3 hitPoint;
    bool reflectionsOn = true;
    bool colouredShadowsOn = true;
    float planeTint[3] = {0.3f, 0.0f, 0.0f};
    unsigned planeTintOnes = 0;  // set with planeTint by PlanePattern: a bit per channel of 1 (the others are 0)
    float top = 0.0f;
    float bottom = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float nearZ = 0.0f;
    unsigned rows = 0;
    unsigned columns = 0;
    unsigned sphereCount = 0;
    unsigned row = 0;
    unsigned column = 0;
    Vec3 planePoints[RoomPlanes];
    Vec3 planeNormals[RoomPlanes];
    Vec3 rayDir;
    Vec3 primaryDir;
    Vec3 normal;
    Vec3 reflectDir;
    Vec3 eye;
    Vec3 axisX{1.0, 0.0, 0.0};
    Vec3 axisY{0.0, 1.0, 0.0};
    Vec3 axisZ{0.0, 0.0, 1.0};
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
    Vec4 sphereCentres[MaxSpheres];
    // Spheres() as a trace began (PrepareBatch, ComposeKeptRows): what the
    // line tests read.
    SphereSet sphereSet;
    double pixelX = 0.0;
    double pixelY = 0.0;

protected:
    // Where PlotPoint appends: `own` unless a band render points it elsewhere.
    struct PlotTarget {
        PointList own;
        PointList* band = nullptr;
        PlotTarget() = default;
        PlotTarget(const PlotTarget&) {}
        PlotTarget& operator=(const PlotTarget&) { return *this; }
    };
    PlotTarget plotted;

    PointList& Sink() { return plotted.band ? *plotted.band : plotted.own; }

    // Walks rows [rowBegin, rowEnd), column by column, plotting into `out`;
    // `tracePixel` gets the pixel's primary direction before normalising,
    // ((A + B) + C) - eye, and traces the pixel.
    template <typename TracePixel>
    void ForEachPixel(unsigned rowBegin, unsigned rowEnd, PointList& out, TracePixel tracePixel)
    {
        plotted.band = &out;
        for (row = rowBegin; row < rowEnd; ++row) {
            for (column = 0; column < columns; ++column) {
                Vec3 a, b, c;
                SetUpPixel(a, b, c);
                tracePixel(((a + b) + c) - eye);
            }
        }
        plotted.band = nullptr;
    }

    // The fast path's pixels of rows [rowBegin, rowEnd), with the unit
    // primary direction from the pixel's ((A + B) + C) - eye as SceneTracer
    // has it: the primary rays a batch of neighbouring pixels at a time
    // (PrimaryBatch), then each pixel shaded in order.
    void TraceRowsBatched(unsigned rowBegin, unsigned rowEnd, PointList& out);
    // Fills in batchConstants from the current set-up and eye (before a band).
    void PrepareBatch();
    // Shades the first `count` pixels of primaryBatch, once traced, in lane order.
    void ShadeBatch(unsigned count);
    // Pixels a group of plane points holds: as many as PlanePointBatch
    // takes with every room plane accepted for each; a batch of primary
    // rays has ShadeGroups groups.
    static constexpr unsigned ShadeGroup = PlanePointBatch::MaxPoints / RoomPlanes;
    static constexpr unsigned ShadeGroups = PrimaryBatch::Lanes / ShadeGroup;
    PrimaryBatch primaryBatch;
    PrimaryBatch::Constants batchConstants;

    // direction = unit(direction - 2 (direction . normal) normal), step by
    // step; `normal` is left scaled by 2 (direction . normal).
    static void Mirror(Vec3& direction, Vec3& normal)
    {
        const double d = Dot(direction, normal);
        normal.ScaleFrom(normal, d);
        normal.ScaleFrom(normal, 2.0);
        direction = direction - normal;
        direction.Normalize();
    }

private:
    Vec3 SphereCentre(unsigned m) const { return Vec3(sphereCentres[m].x, sphereCentres[m].y, sphereCentres[m].z); }
    // Keeps the plane point at hitPoint on plane k in the band being
    // recorded; false (and recording stopped) past the budget. Its light
    // factors go to KeptFactors() (null when they are not kept).
    bool RecordPlanePoint(int k);
    double* KeptFactors();
    // The pixel just traced: its primary direction and where its plane points end.
    void KeepPixel();
    // The point just plotted as the band's composed point, with whether a
    // sphere blocked any of its lights.
    void KeepComposed(bool shadowed);
    void NewStamp();

    // Shades lane `lane` of primaryBatch: its accepted plane points, then
    // the spheres its first test did not rule out.
    void ShadeBatchedPixel(unsigned lane);
    // The plane points of primaryBatch's pixels, in shading order, a group
    // of pixels each: all groups
    // are worked out before the first is shaded, so their steps overlap.
    PlanePointBatch planePointBatches[ShadeGroups];
    // PlaneLightTerm's factors for one light on one room plane, multiplied
    // out as far as the order of operations allows: the ambient product, the
    // tint times the diffuse products for each tint the plane patterns use
    // (channels of 0 or 1, by planeTintOnes), and the specular product; a
    // channel a lane, the fourth lane 0. They depend on the light's colours
    // and the plane's material (LoadScene); light j on plane k at
    // j * RoomPlanes + k.
    struct PlaneLightFactors {
        double ambient[4];
        double tinted[8][4];
        double specular[4];
    };
    std::vector<PlaneLightFactors> planeLightFactors;
    // The plane points of primaryBatch's pixels in shading order: each
    // one's pixel (lane) and plane.
    unsigned batchedPoints = 0;
    unsigned nextBatchedPoint = 0;
    std::uint8_t batchedLane[PlanePointBatch::MaxPoints * ShadeGroups];
    std::uint8_t batchedPlane[PlanePointBatch::MaxPoints * ShadeGroups];
    unsigned groupStart[ShadeGroups] = {};  // each group's first point among them

    // A sphere point's (or a reflected plane point's) light terms, all
    // lights at once.
    LightBatch lightBatch;
    // A blocking sphere's light terms, all lights at once (BlockerColour):
    // its own, as BlockerColour may run while lightBatch holds a point's
    // terms still to be read. Set with lightBatch.
    mutable LightBatch blockerBatch;

    struct KeepingState {
        KeptBand* band = nullptr;
        KeepMode mode = KeepMode::Off;
        std::size_t maxValues = 0;
        bool factors = false;
    };
    KeepingState keeping;
    // Scratch of ComposeKeptRows, a band's worth: the shadow tests of its
    // plane points (a byte per light and point), the points to compose
    // again, and the pixels whose sphere points are traced (see
    // ComposeBatch.h).
    std::vector<std::uint8_t> shadowMasks;
    std::vector<std::uint32_t> pointsToCompose;
    std::vector<std::uint32_t> sphereCandidates;
};

#endif
