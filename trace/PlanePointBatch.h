#ifndef GLINTWORK_PLANEPOINTBATCH_H
#define GLINTWORK_PLANEPOINTBATCH_H

#include <cstddef>
#include <vector>

#include "trace/InstructionSet.h"
#include "trace/SphereLanes.h"
#include "trace/Vec3.h"

// The light terms and shadow tests of several room-plane points at once (the
// plane points of a batch of pixels), four points in the lanes of an AVX2
// register. Per point and light, each lane does what the fast path does for
// one point (LightTerms::Begin and Finish with a unit-axis normal, the view
// direction left as it is, and the shadow test of RoomTracer::SphereOnLine
// split into what depends on the point and sphere and what on the light),
// operation by operation in double, so every value equals the scalar one to
// the bit. The power, the blocker colours and the sums stay with the tracer.
class PlanePointBatch {
public:
    static constexpr unsigned MaxPoints = 20;  // five planes for each of four pixels
    static constexpr unsigned MaxSpheres = SphereSet::MaxSpheres;

    // The light positions as floats, three per light (LoadScene).
    void SetLights(const std::vector<float>& positions, unsigned count);
    // The spheres for the points that follow.
    void SetSpheres(const SphereSet& set);
    void Use(InstructionSet set) { instructionSet = set; }
    // Whether Compute can run here (else the tracer shades point by point).
    bool Active() const { return instructionSet != InstructionSet::Plain; }

    void Clear() { points = 0; }
    // Adds a point with its unit-axis normal and the view direction; returns its index.
    unsigned Add(const Vec3& point, const Vec3& normal, const Vec3& view);
    void Compute();

    Vec3 LightDir(unsigned light, unsigned p) const
    {
        const std::size_t i = light * std::size_t(MaxPoints) + p;
        return Vec3(dir[0][i], dir[1][i], dir[2][i]);
    }
    double Diffuse(unsigned light, unsigned p) const { return diffuse[light * std::size_t(MaxPoints) + p]; }
    double SpecularBase(unsigned light, unsigned p) const { return specularBase[light * std::size_t(MaxPoints) + p]; }
    // The first sphere on the line from point p along light `light`'s
    // direction, or -1.
    int Blocker(unsigned light, unsigned p) const
    {
        if (!(anyOnLine[light] >> p & 1u))
            return -1;
        const unsigned* m = &onLine[light * std::size_t(MaxSpheres)];
        for (unsigned s = 0; s < spheres.count; ++s) {
            if (m[s] >> p & 1u)
                return static_cast<int>(s);
        }
        return -1;
    }

private:
    InstructionSet instructionSet = InstructionSet::Plain;
    unsigned lightCount = 0;
    std::vector<double> position;  // x, y, z per light
    SphereSet spheres;

    unsigned points = 0;
    double point[3][MaxPoints] = {};
    double normal[3][MaxPoints] = {};
    double view[3][MaxPoints] = {};

    // Per light, MaxPoints entries.
    std::vector<double> dir[3];
    std::vector<double> diffuse;
    std::vector<double> specularBase;
    // Per light and sphere: a bit per point, set where the sphere is on the line.
    std::vector<unsigned> onLine;
    std::vector<unsigned> anyOnLine;  // per light: the union over the spheres
};

#endif
