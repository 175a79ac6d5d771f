#ifndef GLINTWORK_BLOCKERBATCH_H
#define GLINTWORK_BLOCKERBATCH_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/SphereLanes.h"

namespace glintwork {

// Where spheres block lights, many at once, entries in the lanes of a
// vector: for each entry, where the line from a point along a unit light
// direction enters its blocking sphere (LineEntry), the sphere's unit normal
// there, and every light's terms at that point but the power (LightTerms,
// seen along the same direction), then the powers and the colour the sphere
// shows there: its unshadowed light sum, in light order, rounded to float
// after every light.
class BlockerBatch {
public:
    // The light positions as floats, three per light (LoadScene). The batch
    // then holds 128 entries, or one per light if there are more lights.
    void SetLights(const std::vector<float>& positions, unsigned count);
    // The spheres for the entries that follow.
    void SetSpheres(const SphereSet& set) { spheres = set; }
    // What light j and sphere m make of a term, for each pair:
    // the ambient, diffuse and specular products per channel, and the base
    // below which the sphere's power leaves its term as it is, with its own
    // exponent (SpecularCutoff). Until they are set (SetLights clears
    // them), every product is 0 and no power is left out.
    struct LightOnSphere {
        double ambient[3], diffuse[3], specular[3];
        double cutoff;
    };
    // `perLightAndSphere` holds light j and sphere m at j x `sphereCount` + m.
    void SetLightsOnSpheres(const std::vector<LightOnSphere>& perLightAndSphere, unsigned sphereCount);

    void Clear() { entries = 0; }
    unsigned Count() const { return entries; }
    unsigned Room() const { return capacity - entries; }
    // Adds the line from `point` along the unit `direction`, blocked by
    // sphere m; returns its index.
    unsigned Add(const double point[3], const double direction[3], unsigned m);
    // Works out the entries, then their specular powers one after another,
    // with each sphere's exponent (`exponents`, per sphere); a power that
    // cannot change its term is 0 (SpecularCutoff, set with the lights).
    void Compute(const double* exponents);

    unsigned Sphere(unsigned n) const { return static_cast<unsigned>(sphere[n]); }
    double Diffuse(unsigned light, unsigned n) const { return diffuse[light * std::size_t(capacity) + n]; }
    double SpecularBase(unsigned light, unsigned n) const { return specularBase[light * std::size_t(capacity) + n]; }
    double Power(unsigned light, unsigned n) const { return power[light * std::size_t(capacity) + n]; }
    // Entry n's colour, channel c.
    float Colour(unsigned n, int c) const { return colour[c][n]; }

private:
    unsigned lightCount = 0;
    std::vector<double> position;  // x, y, z per light
    SphereSet spheres;
    // Per light j: the cutoffs (MaxSpheres of them), then the products, for
    // each kind (ambient, diffuse, specular) and channel MaxSpheres of them,
    // a sphere each (the kernel gathers them by sphere).
    // (The kernel reads a whole vector from each sphere's row: WidestLanes
    // more keep the last one within the array.)
    static constexpr std::size_t PerLight = SphereSet::MaxSpheres * (1 + 9);
    std::vector<double> lightsOnSpheres;

    unsigned entries = 0;
    unsigned capacity = 0;  // a whole number of the widest vectors
    std::vector<std::int32_t> sphere;
    // Lanes past the last entry hold earlier (or zero) values; their results
    // are never read.
    std::vector<double> origin[3], direction[3], centre[3], radiusSquared;
    // Per light, `capacity` entries.
    std::vector<double> diffuse;
    std::vector<double> specularBase;
    std::vector<double> power;
    std::vector<float> colour[3];  // per channel, `capacity` entries
};

}  // namespace glintwork

#endif
