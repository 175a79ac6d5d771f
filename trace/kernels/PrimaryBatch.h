#ifndef GLINTWORK_PRIMARYBATCH_H
#define GLINTWORK_PRIMARYBATCH_H

#include <cstddef>
#include <vector>

#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"

namespace glintwork {

// The primary rays of up to twenty-four pixels (neighbours in a row, or for the
// environment view the next ones that draw, with their bent rays), in the
// lanes of vectors (LaneMaths.h): the pixel's unit direction, the
// plane-by-plane walk through the five room planes and the first test of
// every sphere, as the straightforward tracer takes them for one pixel (the
// pixel set-up, the normalising of the primary direction, the walk through
// the planes, where a plane that rejects its hit leaves the ray scaled for
// the next, and ShadeSphere's miss test). The shading is left to the tracer.
class PrimaryBatch {
public:
    // A whole number of vectors of every width, and at least two of the
    // widest: the walk through the planes waits on each plane's division,
    // and vectors worked side by side keep the processor busy meanwhile.
    // (Each lane is a bit of an unsigned mask, with 1u << Lanes in range.)
    static constexpr unsigned Lanes = 24;
    static_assert(Lanes < 32, "a bit per lane");
    static constexpr int Planes = 5;
    static constexpr unsigned MaxSpheres = SphereSet::MaxSpheres;

    // What the walk reads and does not change from pixel to pixel. Each
    // value depends only on what is named next to it; the tracer fills them
    // in before a band.
    struct Constants {
        double eye[3] = {};  // the eye
        double c[3] = {};    // SetUpPixel's C: the near distance
        double normal[Planes][3] = {};
        double numerator[Planes] = {};     // (plane point - eye) . normal: the room and the eye
        double low[3] = {}, high[3] = {};  // the faces' bounds per axis: the room and the near distance
        double depthLimit = 0;             // the scene's
        unsigned sphereCount = 0;
        double eyeToCentre[MaxSpheres][3] = {};  // eye - centre: the eye and the spheres' centres
        double eyeSphereC[MaxSpheres] = {};      // |eye - centre|^2 - radius^2, with the radius squared in float
        // SetUpPixel's A per column, padded to whole batches: the view
        // extents and the screen width.
        const double* columnA[3] = {};
        double rowB[3] = {};  // SetUpPixel's B for the current row: the view extents, height and row
    };

    // The pixels from `column` on (`count`, at most Lanes) of the row whose B
    // is in `k.rowB`; the results are read per lane below.
    void Trace(const Constants& k, unsigned column, unsigned count);
    // The same from the unit directions the caller put in dir (lanes below
    // `count`): the planes and spheres only.
    void TraceGiven(const Constants& k, unsigned count);

    // The unit primary direction of lane `lane`; before TraceGiven, set by the caller.
    Vec3 Dir(unsigned lane) const { return Vec3(rays.dir[0][lane], rays.dir[1][lane], rays.dir[2][lane]); }
    void SetDir(unsigned lane, const double dir[3])
    {
        for (int a = 0; a < 3; ++a)
            rays.dir[a][lane] = dir[a];
    }
    // Per plane, a bit per lane: the ray's hit on it is accepted; and where
    // it is, the hit point.
    unsigned Accepted(int plane) const { return rays.accepted[plane]; }
    Vec3 Hit(int plane, unsigned lane) const
    {
        return Vec3(rays.hit[plane][0][lane], rays.hit[plane][1][lane], rays.hit[plane][2][lane]);
    }
    // Per sphere, a bit per lane: not ruled out by the first test.
    unsigned MaybeSphere(unsigned sphere) const { return rays.maybeSphere[sphere]; }

    // What the kernel reads and writes, a pixel a lane.
    struct Rays {
        double dir[3][Lanes] = {};
        double hit[Planes][3][Lanes] = {};
        unsigned accepted[Planes] = {};
        unsigned maybeSphere[MaxSpheres] = {};
    };

private:
    void Run(const Constants& k, unsigned column, unsigned count, bool given);

    Rays rays;
};

}  // namespace glintwork

#endif
