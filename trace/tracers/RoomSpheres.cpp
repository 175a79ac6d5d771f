#include "trace/tracers/RoomSpheres.h"

namespace glintwork {

SphereSet RoomSpheres::Spheres() const
{
    SphereSet spheres;
    spheres.count = sphereCount;
    for (unsigned m = 0; m < sphereCount; ++m) {
        const Vec3 centre = SphereCentre(m);
        spheres.centre[m][0] = centre.x;
        spheres.centre[m][1] = centre.y;
        spheres.centre[m][2] = centre.z;
        spheres.radiusSquared[m] = sphereRadii[m] * sphereRadii[m];
    }
    return spheres;
}

// The shadow test is made on the whole line through the origin: a sphere
// behind the origin, or beyond the light, blocks as well.
bool RoomSpheres::SphereOnLine(const Vec3& origin, const Vec3& direction, unsigned m) const
{
    const double o[3] = {origin.x, origin.y, origin.z};
    const double doubled[3] = {2.0 * direction.x, 2.0 * direction.y, 2.0 * direction.z};
    double f[3], c;
    SphereTerms<OneLane>(o, sphereSet.centre[m], sphereSet.radiusSquared[m], f, c);
    return MeetsSphere<OneLane>(doubled, f, c);
}

Vec3 RoomSpheres::LineEntry(const Vec3& origin, const Vec3& direction, unsigned m) const
{
    const double o[3] = {origin.x, origin.y, origin.z};
    const double d[3] = {direction.x, direction.y, direction.z};
    double entry[3];
    glintwork::LineEntry<OneLane>(o, d, sphereSet.centre[m], sphereSet.radiusSquared[m], entry);
    return Vec3(entry[0], entry[1], entry[2]);
}

}  // namespace glintwork
