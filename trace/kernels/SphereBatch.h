#ifndef GLINTWORK_SPHEREBATCH_H
#define GLINTWORK_SPHEREBATCH_H

#include <cstddef>
#include <vector>

#include "trace/kernels/LightTables.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"

namespace glintwork {

// The sphere points of several pixels at once, a pixel's primary ray and one
// sphere in each lane of a vector: where the ray meets the sphere (the near
// root, before the depth limit), the sphere's unit normal there and the
// mirrored ray; every light's terms at that point with the first other
// sphere on each light's line; and the walk of the mirrored ray over the
// room's planes to the reflected point the sphere point shows, with the ray
// as it arrives there (LaneFormulas-inl.h). The powers, the blockers'
// colours, the reflected points' colours and the sums stay with the tracer.
class SphereBatch {
public:
    // A whole number of the widest vectors, and room for every sphere of
    // every pixel of a batch of primary rays (RoomTracer::ShadeBatch).
    static constexpr unsigned Capacity = 128;
    static constexpr int Planes = 5;

    // The room as the tracer's set-up has it: the eye, each plane's point
    // and unit normal, the faces' bounds and the depth limit.
    struct Room {
        double eye[3] = {};
        double point[Planes][3] = {};
        double normal[Planes][3] = {};
        double low[3] = {}, high[3] = {};  // the faces' bounds per axis x, y, z
        double depthLimit = 0;
    };

    // Room for `lights` lights.
    void Fit(unsigned lights);
    // The room and the spheres for the points that follow.
    void SetRoom(const Room& r, const SphereSet& s)
    {
        room = r;
        spheres = s;
    }

    void Clear() { lanes.entries = 0; }
    unsigned Count() const { return lanes.entries; }
    // The primary ray of a pixel along the unit `dir`, against sphere i.
    void Add(const Vec3& dir, unsigned i);
    // Works the entries out with the scene's lights (`tables`).
    void Compute(const LightTables& tables);

    unsigned Sphere(unsigned n) const { return static_cast<unsigned>(lanes.sphere[n]); }
    // Whether entry n's ray meets its sphere before the depth limit, and where.
    bool Hit(unsigned n) const { return lanes.hit[n] != 0.0; }
    Vec3 HitPoint(unsigned n) const { return At(lanes.hitPoint, n); }
    // Light j at the sphere point: unit direction, diffuse factor, base of
    // the power, and the first other sphere on its line (or -1).
    Vec3 LightDir(unsigned j, unsigned n) const
    {
        const std::size_t i = j * std::size_t(Capacity) + n;
        return Vec3(lanes.lightDir[0][i], lanes.lightDir[1][i], lanes.lightDir[2][i]);
    }
    double Diffuse(unsigned j, unsigned n) const { return lanes.diffuse[j * std::size_t(Capacity) + n]; }
    double SpecularBase(unsigned j, unsigned n) const { return lanes.specularBase[j * std::size_t(Capacity) + n]; }
    int Blocker(unsigned j, unsigned n) const
    {
        return static_cast<int>(lanes.blocker[j * std::size_t(Capacity) + n]);
    }

    // The mirrored ray: whether some plane faces it (else the point is not
    // drawn with reflections on), and whether the point it shows is on a
    // plane (else its colour is 0): that plane, the point and the ray as it
    // arrives there (scaled to it, not normalised).
    bool Plots(unsigned n) const { return lanes.plots[n] != 0.0; }
    bool ShowsPlane(unsigned n) const { return lanes.shows[n] != 0.0; }
    int ShownPlane(unsigned n) const { return static_cast<int>(lanes.shownPlane[n]); }
    Vec3 ShownPoint(unsigned n) const { return At(lanes.shownPoint, n); }
    Vec3 ShownRay(unsigned n) const { return At(lanes.shownRay, n); }

    // What the kernel reads and writes, an entry a lane. Lanes past the last
    // entry hold earlier (or zero) values; their results are never read.
    struct Lanes {
        unsigned entries = 0;
        double dir[3][Capacity] = {};
        double sphere[Capacity] = {};  // the sphere's index
        double hit[Capacity] = {}, plots[Capacity] = {}, shows[Capacity] = {}, shownPlane[Capacity] = {};
        double hitPoint[3][Capacity] = {}, shownPoint[3][Capacity] = {}, shownRay[3][Capacity] = {};
        // Per light, Capacity entries each.
        std::vector<double> lightDir[3], diffuse, specularBase, blocker;
    };

private:
    static Vec3 At(const double (&v)[3][Capacity], unsigned n) { return Vec3(v[0][n], v[1][n], v[2][n]); }

    Room room;
    SphereSet spheres;
    Lanes lanes;
};

}  // namespace glintwork

#endif
