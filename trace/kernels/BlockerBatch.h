#ifndef GLINTWORK_BLOCKERBATCH_H
#define GLINTWORK_BLOCKERBATCH_H

#include <cstddef>
#include <vector>

#include "trace/kernels/SphereLanes.h"

// Where spheres block lights, many at once, entries in the lanes of a
// vector: for each entry, where the line from a point along a unit light
// direction enters its blocking sphere (LineEntry), the sphere's unit normal
// there, and every light's terms at that point but the power (LightTerms,
// seen along the same direction). The colour the sphere shows there, its
// unshadowed light sum with the powers, is the tracer's.
class BlockerBatch {
public:
    // The light positions as floats, three per light (LoadScene). The batch
    // then holds 128 entries, or one per light if there are more lights.
    void SetLights(const std::vector<float>& positions, unsigned count);
    // The spheres for the entries that follow.
    void SetSpheres(const SphereSet& set) { spheres = set; }
    // Per light j and sphere m, at j x `sphereCount` + m: the base below
    // which the sphere's power leaves its term of the light as it is, with
    // its own exponent (SpecularCutoff). Until they are set (SetLights
    // clears them), no power is left out.
    void SetCutoffs(const std::vector<double>& perLightAndSphere, unsigned sphereCount)
    {
        cutoffs = perLightAndSphere;
        cutoffStride = sphereCount;
    }

    void Clear() { entries = 0; }
    unsigned Count() const { return entries; }
    unsigned Room() const { return capacity - entries; }
    // Adds the line from `point` along the unit `direction`, blocked by
    // sphere m; returns its index.
    unsigned Add(const double point[3], const double direction[3], unsigned m);
    // Works out the entries, then their specular powers one after another,
    // with each sphere's exponent (`exponents`, per sphere); a power that
    // cannot change its term is 0 (SetCutoffs).
    void Compute(const double* exponents);

    unsigned Sphere(unsigned n) const { return sphere[n]; }
    double Diffuse(unsigned light, unsigned n) const { return diffuse[light * std::size_t(capacity) + n]; }
    double SpecularBase(unsigned light, unsigned n) const { return specularBase[light * std::size_t(capacity) + n]; }
    double Power(unsigned light, unsigned n) const { return power[light * std::size_t(capacity) + n]; }

private:
    unsigned lightCount = 0;
    std::vector<double> position;  // x, y, z per light
    SphereSet spheres;
    std::vector<double> cutoffs;
    unsigned cutoffStride = 0;

    unsigned entries = 0;
    unsigned capacity = 0;  // a whole number of the widest vectors
    std::vector<unsigned> sphere;
    // Lanes past the last entry hold earlier (or zero) values; their results
    // are never read.
    std::vector<double> origin[3], direction[3], centre[3], radiusSquared;
    // Per light, `capacity` entries.
    std::vector<double> diffuse;
    std::vector<double> specularBase;
    std::vector<double> power;
};

#endif
