#ifndef GLINTWORK_SPHEREBATCH_H
#define GLINTWORK_SPHEREBATCH_H

#include <cstddef>
#include <vector>

#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"

namespace glintwork {

// The sphere points of several pixels at once, a pixel's primary ray and one
// sphere in each lane of a vector: where the ray meets the sphere (the near
// root, before the depth limit), the sphere's unit normal there and the
// mirrored ray; every light's terms at that point with the first other
// sphere on each light's line; the walk of the mirrored ray over the room's
// planes to the reflected point the sphere point shows; and every light's
// terms there with the first sphere on each line (LaneFormulas-inl.h). The
// powers, the blockers' colours and the sums stay with the tracer.
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

    // The light positions as floats, three per light (LoadScene).
    void SetLights(const std::vector<float>& positions, unsigned count);
    // The room and the spheres for the points that follow.
    void SetRoom(const Room& room, const SphereSet& spheres);

    void Clear() { entries = 0; }
    unsigned Count() const { return entries; }
    bool Full() const { return entries == Capacity; }
    // The primary ray of a pixel along the unit `dir`, against sphere i.
    void Add(const Vec3& dir, unsigned i);
    void Compute();

    unsigned Sphere(unsigned n) const { return static_cast<unsigned>(sphere[n]); }
    // Whether entry n's ray meets its sphere before the depth limit, and where.
    bool Hit(unsigned n) const { return hit[n] != 0.0; }
    Vec3 HitPoint(unsigned n) const { return Vec3(hitPoint[0][n], hitPoint[1][n], hitPoint[2][n]); }
    // Light j at the sphere point: unit direction, diffuse factor, base of
    // the power, and the first other sphere on its line (or -1).
    Vec3 LightDir(unsigned j, unsigned n) const { return At(own.dir, j, n); }
    double Diffuse(unsigned j, unsigned n) const { return own.diffuse[j * std::size_t(Capacity) + n]; }
    double SpecularBase(unsigned j, unsigned n) const { return own.specularBase[j * std::size_t(Capacity) + n]; }
    int Blocker(unsigned j, unsigned n) const { return static_cast<int>(own.blocker[j * std::size_t(Capacity) + n]); }

    // The mirrored ray: whether some plane faces it (else the point is not
    // drawn with reflections on), and whether the point it shows is on a
    // plane (else its colour is 0): that plane, the point and the ray as
    // scaled to it.
    bool Plots(unsigned n) const { return plots[n] != 0.0; }
    bool ShowsPlane(unsigned n) const { return shows[n] != 0.0; }
    int ShownPlane(unsigned n) const { return static_cast<int>(shownPlane[n]); }
    Vec3 ShownPoint(unsigned n) const { return Vec3(shownPoint[0][n], shownPoint[1][n], shownPoint[2][n]); }
    // Light j at the shown point, as at the sphere point, with the first
    // sphere of all on its line.
    Vec3 ShownLightDir(unsigned j, unsigned n) const { return At(shown.dir, j, n); }
    double ShownDiffuse(unsigned j, unsigned n) const { return shown.diffuse[j * std::size_t(Capacity) + n]; }
    double ShownSpecularBase(unsigned j, unsigned n) const { return shown.specularBase[j * std::size_t(Capacity) + n]; }
    int ShownBlocker(unsigned j, unsigned n) const
    {
        return static_cast<int>(shown.blocker[j * std::size_t(Capacity) + n]);
    }

    // Per light, Capacity entries each.
    struct LightValues {
        std::vector<double> dir[3], diffuse, specularBase, blocker;
    };

private:
    static Vec3 At(const std::vector<double> (&v)[3], unsigned j, unsigned n)
    {
        const std::size_t i = j * std::size_t(Capacity) + n;
        return Vec3(v[0][i], v[1][i], v[2][i]);
    }

    unsigned lightCount = 0;
    std::vector<double> position;  // x, y, z per light
    Room room;
    SphereSet spheres;

    unsigned entries = 0;
    // Lanes past the last entry hold earlier (or zero) values; their results
    // are never read.
    double dir[3][Capacity] = {};
    double sphere[Capacity] = {};  // the sphere's index
    double hit[Capacity] = {}, plots[Capacity] = {}, shows[Capacity] = {}, shownPlane[Capacity] = {};
    double hitPoint[3][Capacity] = {}, shownPoint[3][Capacity] = {};
    LightValues own, shown;
};

}  // namespace glintwork

#endif
