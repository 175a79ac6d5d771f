#ifndef GLINTWORK_PLANEPOINTBATCH_H
#define GLINTWORK_PLANEPOINTBATCH_H

#include <cstddef>
#include <vector>

#include "trace/kernels/LightTables.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"

namespace glintwork {

// The light terms and shadow tests of several room-plane points at once (the
// plane points of a batch of pixels), points in the lanes of a vector: per
// light, LightTerms with a unit-axis normal, and the sphere line test split
// into what depends on the point and sphere and what on the light
// (LaneFormulas-inl.h). The blocker colours and the sums stay with the
// tracer.
class PlanePointBatch {
public:
    // Five planes for each of six pixels and more: at most 31, a bit per
    // point in a 32-bit mask with 1u << MaxPoints in range.
    static constexpr unsigned MaxPoints = 31;
    static constexpr unsigned Padded = 32;  // MaxPoints, a whole number of the widest vectors
    static_assert(MaxPoints < 32 && Padded >= MaxPoints, "a bit per point");
    static constexpr unsigned MaxSpheres = SphereSet::MaxSpheres;

    // Room for `lights` lights.
    void Fit(unsigned lights);
    // The spheres for the points that follow.
    void SetSpheres(const SphereSet& set) { spheres = set; }

    void Clear()
    {
        lanes.points = 0;
        largestExponent = 0.0;
    }
    // Where the line tests are known already (a kept point's shadow tests):
    // the spheres on the line from point p along light `light`'s direction,
    // a bit per sphere, for a Compute without tests. Points with none need
    // no call; Clear forgets them.
    void SetOnLine(unsigned light, unsigned p, unsigned sphereBits)
    {
        for (unsigned s = 0; s < spheres.count; ++s)
            lanes.onLine[light * std::size_t(MaxSpheres) + s] |= (sphereBits >> s & 1u) << p;
        lanes.anyOnLine[light] |= 1u << p;
        blocked |= 1u << p;
    }
    void ClearOnLine();
    // Adds a point with its unit-axis normal, the view direction and its
    // plane's specular exponent; returns its index.
    unsigned Add(const Vec3& point, const Vec3& normal, const Vec3& view, double exponent);
    // What Compute works out besides the light directions. Past `Everything`
    // the blockers are those set (SetOnLine), for points whose light values
    // a band keeps; what is not worked out is left as it was.
    enum class Work {
        Everything,       // the line tests, diffuse factors and specular bases
        Shading,          // the diffuse factors and specular bases
        Diffuse,          // the diffuse factors (the powers are known)
        BlockedLightDirs  // only the directions of the lights some sphere blocks at some point of a vector
    };
    // With `approximatePowers` (and the specular bases worked out), also the
    // powers of ComputePowers(false), but where the exponent is whole (up to
    // 128) by squaring instead of pow: within 2^-45 of pow's answer
    // (relative), for sums that check whether the difference can show
    // (PlaneLightSums). Other powers are pow's. The lights are the scene's
    // (`tables`).
    void Compute(const LightTables& tables, Work work = Work::Everything, bool approximatePowers = false);

    // After Compute (with the specular bases): the specular powers, by the
    // C library's pow one after another, of every light where `all`, else
    // of the lights no sphere blocks (the others are not needed).
    void ComputePowers(bool all);
    // After a Compute with approximate powers: pow's powers of the points with a bit set in
    // `which`, of the lights no sphere blocks.
    void ExactPowers(unsigned which);
    // Whether the last Compute squared the powers (approximatePowers).
    bool PowersSquared() const { return powersSquared; }

    unsigned Points() const { return lanes.points; }
    // Point p's coordinates.
    const double* Point(unsigned p, double out[3]) const
    {
        for (int a = 0; a < 3; ++a)
            out[a] = lanes.point[a][p];
        return out;
    }
    Vec3 LightDir(unsigned light, unsigned p) const
    {
        const std::size_t i = light * std::size_t(Padded) + p;
        return Vec3(lanes.dir[0][i], lanes.dir[1][i], lanes.dir[2][i]);
    }
    double Diffuse(unsigned light, unsigned p) const { return lanes.diffuse[light * std::size_t(Padded) + p]; }
    double SpecularBase(unsigned light, unsigned p) const
    {
        return lanes.specularBase[light * std::size_t(Padded) + p];
    }
    double Power(unsigned light, unsigned p) const { return lanes.power[light * std::size_t(Padded) + p]; }
    // A bit per point for which some sphere blocks some light.
    unsigned BlockedPoints() const
    {
        return blocked & PointBits();  // a batch left empty keeps the last one's bits
    }
    // A bit per point some sphere blocks light `light` for.
    unsigned BlockedBits(unsigned light) const { return lanes.anyOnLine[light] & PointBits(); }
    // Light j's diffuse factors and powers of the points, from j x Padded on.
    const double* DiffuseFactors() const { return lanes.diffuse.data(); }
    const double* Powers() const { return lanes.power.data(); }
    // The first sphere on the line from point p along light `light`'s
    // direction, or -1.
    int Blocker(unsigned light, unsigned p) const
    {
        if (!(lanes.anyOnLine[light] >> p & 1u))
            return -1;
        const unsigned* m = &lanes.onLine[light * std::size_t(MaxSpheres)];
        for (unsigned s = 0; s < spheres.count; ++s) {
            if (m[s] >> p & 1u)
                return static_cast<int>(s);
        }
        return -1;
    }

    // What the kernel reads and writes, a point a lane (lanes past the last
    // point hold earlier values; their results are never read).
    struct Lanes {
        unsigned points = 0;
        double point[3][Padded] = {};
        double normal[3][Padded] = {};
        double view[3][Padded] = {};
        double exponent[Padded] = {};
        // Per light, Padded entries.
        std::vector<double> dir[3];
        std::vector<double> diffuse;
        std::vector<double> specularBase;
        std::vector<double> power;
        // Per light and sphere: a bit per point, set where the sphere is on the line.
        std::vector<unsigned> onLine;
        std::vector<unsigned> anyOnLine;        // per light: the union over the spheres
        std::vector<unsigned> notApproximated;  // per light: a bit per point whose power squaring does not give
    };

private:
    unsigned PointBits() const { return (1u << lanes.points) - 1u; }
    // pow's powers of light `light` for the points with a bit set in `which`.
    void PowsOf(unsigned light, unsigned which);

    unsigned lightCount = 0;
    SphereSet spheres;
    Lanes lanes;
    double largestExponent = 0.0;  // of the points' exponents (NaN left out)
    bool powersSquared = false;
    unsigned blocked = 0;  // the union of anyOnLine over the lights
};

}  // namespace glintwork

#endif
