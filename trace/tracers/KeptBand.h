#ifndef GLINTWORK_KEPTBAND_H
#define GLINTWORK_KEPTBAND_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trace/tracers/PointList.h"
#include "trace/math/Vec3.h"

namespace glintwork {

// What a view's plane points are made of, kept from one frame to the next so
// that a frame after a sphere move or a switch does not trace the room again.
//
// The primary direction of every pixel is kept too, so that a pixel is not
// set up again. A plane point's colour is, per channel, the float sum in light order of
// one term per light: the unshadowed plane term, or, when a sphere lies on
// the line from the point along the light direction, the ambient product
// plus the blocker's colour. Everything before the shadow test depends only
// on the primary ray and the room, never on the spheres or the two switches:
//   - which planes a pixel's ray is accepted on, and the hit point: the eye,
//     the view extents and screen size, the room, the depth limit, and for
//     the environment view the bend off its sphere;
//   - the unit light direction: the hit point and the light's position;
//   - the unshadowed term: the hit point, the pattern of its plane, the
//     plane's material and exponent, the light's colours and position and
//     the primary direction.
// Only the hit points, their planes' tints there (and the primary
// directions) are kept, and, where the
// budget leaves room, per light the specular power (the one step of the
// terms that calls the C library) and, where there is room for both, the
// diffuse factor before it: the light directions and the rest of the terms
// are worked out again from them where needed, by the same formulas as the
// trace, so to the bit. The reflection and coloured-shadow switches reach
// sphere points only. So after a sphere move the shadow tests are redone,
// and the points some sphere shadows, before or after the move, are shaded
// again in the same order; with the spheres where they were last composed,
// the composed points themselves are reused, and so are those that no
// sphere shadows, before or after the move. Sphere points are always traced
// in full. Without the light values what a view keeps does not grow with its
// lights: about 80 bytes a pixel, and 8 or 16 more a light with them.
//
// Kept values are valid for one eye and kind of view (ViewInputs::SameRoom)
// and one set-up (RoomSetUp::Id).
struct KeptBand {
    // Per traced pixel, in order: its primary direction (the eye, the view
    // and for the environment view the bend) and the number of the band's
    // plane points up to and including its own (0 to 5 a pixel).
    std::vector<Vec3> pixelDirs;
    std::vector<std::uint32_t> pixelEnds;
    std::vector<std::uint8_t> pointPlane;  // per plane point: its room plane
    std::vector<std::uint8_t> pointTint;   // and the tint of its plane's pattern there
    std::vector<double> hits;              // per plane point: its hit point (3)
    // Per plane point and light, when the view keeps them, as the trace
    // worked them out: `valuesPerLight` values, the diffuse factor (where
    // two) and the specular power, where the three steps below place them.
    std::vector<double> lightValues;
    unsigned valuesPerLight = 0;
    // Among a point's light values, `valuesPerLight` a light: whether light
    // j's diffuse factor is kept, and where it and its power sit.
    static bool KeepsDiffuse(unsigned valuesPerLight) { return valuesPerLight == 2; }
    static std::size_t DiffuseAt(unsigned valuesPerLight, unsigned j) { return std::size_t(valuesPerLight) * j; }
    static std::size_t PowerAt(unsigned valuesPerLight, unsigned j)
    {
        return std::size_t(valuesPerLight) * j + valuesPerLight - 1;
    }
    // Per chunk of plane points, a ball holding their hit points (see
    // ComposeBatch.h): worked out from them when first composed.
    std::vector<double> shadowBalls;
    PointList composed;  // per plane point: as drawn in the view's last frame
    // Per plane point: whether a sphere blocked any light in its composed
    // colour (else that colour is the float sum of the unshadowed terms,
    // which no sphere move changes while no light is blocked).
    std::vector<std::uint8_t> shadowed;
    bool complete = false;  // every pixel of the band recorded within the budget
    // The band's pixels, those that trace nothing too (the environment view
    // keeps only the pixels that meet its sphere): a composed band counts
    // its progress in them.
    std::size_t pixelsCovered = 0;

    // Doubles kept for a plane point, with `lightValues` values of its lights.
    static std::size_t PointValues(std::size_t lightValues) { return 3 + lightValues; }

    // What the band's values take.
    std::size_t Bytes() const
    {
        return pixelDirs.capacity() * sizeof(Vec3) + pixelEnds.capacity() * sizeof(std::uint32_t) +
               pointPlane.capacity() + pointTint.capacity() + (hits.capacity() + lightValues.capacity() + shadowBalls.capacity()) * sizeof(double) +
               composed.capacity() * sizeof(PlotRecord) + shadowed.capacity();
    }
};

}  // namespace glintwork

#endif
