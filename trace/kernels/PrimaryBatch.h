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
// every sphere, as the room tracer takes them for one pixel (SetUpPixel, the
// normalising of the primary direction, the walk through the planes, where a
// plane that rejects its hit leaves the ray scaled for the next, and
// ShadeSphere's miss test). Only the shading is left to the tracer, pixel by
// pixel.
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
    // in before a band (RoomTracer::PrepareBatch).
    struct Constants {
        double eye[3] = {};  // the eye
        double c[3] = {};    // SetUpPixel's C: the near distance (SetUpView)
        double normal[Planes][3] = {};
        double numerator[Planes] = {};     // (plane point - eye) . normal: the room (SetRoom) and the eye
        double low[3] = {}, high[3] = {};  // the faces' bounds per axis: the room and the near distance
        double depthLimit = 0;             // the scene (SetUpView)
        unsigned sphereCount = 0;
        double eyeToCentre[MaxSpheres][3] = {};  // eye - centre: the eye and the spheres' centres
        double eyeSphereC[MaxSpheres] = {};      // |eye - centre|^2 - radius^2, with the radius squared in float
        // SetUpPixel's A per column, padded to whole vectors: the view
        // extents and the screen width (SetUpView).
        std::vector<double> columnA[3];
        double rowB[3] = {};  // SetUpPixel's B for the current row: the view extents, height and row
    };

    // The pixels from `column` on (`count`, at most Lanes) of the row whose B
    // is in `k.rowB`; the results are read per lane below.
    void Trace(const Constants& k, unsigned column, unsigned count);
    // The same from the unit directions the caller put in dir (lanes below
    // `count`): the planes and spheres only.
    void TraceGiven(const Constants& k, unsigned count);

    Vec3 Dir(unsigned lane) const { return Vec3(dir[0][lane], dir[1][lane], dir[2][lane]); }

    double dir[3][Lanes] = {};              // unit primary direction
    double hit[Planes][3][Lanes] = {};      // hit point on each plane (where accepted)
    unsigned accepted[Planes] = {};         // per plane, a bit per lane: accepted there
    unsigned maybeSphere[MaxSpheres] = {};  // per sphere, a bit per lane: not ruled out by the first test

private:
    void Run(const Constants& k, unsigned column, unsigned count, bool given);
};

}  // namespace glintwork

#endif
