#ifndef GLINTWORK_BLOCKERBATCH_H
#define GLINTWORK_BLOCKERBATCH_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LightTables.h"
#include "trace/kernels/SphereLanes.h"

namespace glintwork {

// Where spheres block lights, many at once, entries in the lanes of a
// vector: for each entry, where the line from a point along a unit light
// direction enters its blocking sphere (LineEntry), the sphere's unit normal
// there, and every light's terms at that point but the power (LightTerms,
// seen along the same direction), then the powers and the colour the sphere
// shows there: its unshadowed light sum, in light order, rounded to float
// after every light. This is the one place a blocking sphere's colour is
// worked out, for the room's points and for the spheres' own.
class BlockerBatch {
public:
    // Room for `lights` lights: 128 entries, or one per light if there are
    // more lights.
    void Fit(unsigned lights);
    // The spheres for the entries that follow.
    void SetSpheres(const SphereSet& set) { spheres = set; }

    void Clear() { lanes.entries = 0; }
    unsigned Count() const { return lanes.entries; }
    unsigned Room() const { return lanes.capacity - lanes.entries; }
    // Adds the line from `point` along the unit `direction`, blocked by
    // sphere m, whose power takes the exponent of sphere e; returns its index.
    unsigned Add(const double point[3], const double direction[3], unsigned m, unsigned e);
    // Works out the entries with the scene's lights and products (`tables`),
    // their specular powers one after another with the exponents of the
    // spheres (`exponents`, per sphere); a power that cannot change its term
    // is 0 (SpecularCutoff).
    void Compute(const LightTables& tables, const double* exponents);

    // Entry n's colour, channel c.
    float Colour(unsigned n, int c) const { return lanes.colour[c][n]; }

    // What the kernel reads and writes, an entry a lane. Lanes past the last
    // entry hold earlier (or zero) values; their results are never read.
    struct Lanes {
        unsigned entries = 0;
        unsigned capacity = 0;  // a whole number of the widest vectors
        std::vector<std::int32_t> sphere, exponentOf;
        std::vector<double> origin[3], direction[3], centre[3], radiusSquared;
        // Per light, `capacity` entries.
        std::vector<double> diffuse, specularBase, power;
        std::vector<float> colour[3];  // per channel, `capacity` entries
    };

private:
    SphereSet spheres;
    Lanes lanes;
};

}  // namespace glintwork

#endif
