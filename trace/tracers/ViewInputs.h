#ifndef GLINTWORK_VIEWINPUTS_H
#define GLINTWORK_VIEWINPUTS_H

#include <cstdint>
#include <cstring>

#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"
#include "trace/scene/TracedSpheres.h"

namespace glintwork {

// Everything a view's picture depends on besides its set-up (RoomSetUp):
// two views of one set-up with equal inputs give the same points. Compared
// by value, floating-point numbers by their bits (so -0 and 0 differ and a
// NaN equals itself): it is the key of everything kept from a frame.
struct ViewInputs {
    // Which picture the view is: the room seen from one eye (the single
    // view, or one eye of the side-by-side pair), or the room seen in the
    // environment sphere.
    enum class Kind : std::uint8_t { Single, PairEye, Environment };
    Kind kind = Kind::Single;
    Vec3 eye;
    unsigned sphereCount = 0;
    Vec4 sphereCentres[MaxSpheres];  // the first sphereCount are the spheres'
    bool reflectionsOn = true;
    bool colouredShadowsOn = true;

    // What the room's points depend on: the kind of view and the eye (the
    // spheres cast shadows on them, but a frame works those out again).
    bool SameRoom(const ViewInputs& other) const { return kind == other.kind && SameBits(eye, other.eye); }
    bool SameSpheres(const ViewInputs& other) const
    {
        return sphereCount == other.sphereCount &&
               std::memcmp(sphereCentres, other.sphereCentres, sizeof sphereCentres[0] * sphereCount) == 0;
    }
    bool operator==(const ViewInputs& other) const
    {
        return SameRoom(other) && SameSpheres(other) && reflectionsOn == other.reflectionsOn &&
               colouredShadowsOn == other.colouredShadowsOn;
    }
    bool operator!=(const ViewInputs& other) const { return !(*this == other); }

private:
    static bool SameBits(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

}  // namespace glintwork

#endif
