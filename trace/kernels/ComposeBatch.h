#ifndef GLINTWORK_COMPOSEBATCH_H
#define GLINTWORK_COMPOSEBATCH_H

#include <cstddef>
#include <cstdint>

#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"

// The two tests a frame made from kept values works out again after the
// spheres moved, for a whole band at once, points (or pixels) in the lanes of
// a vector: the sphere line test of LaneFormulas-inl.h, split for the shadow
// tests, and ShadeSphere's miss test.

namespace glintwork {

// Kept plane points are tested a chunk of ShadowChunk points at a time; a
// chunk's ball (centre and radius, four doubles) holds their hit points
// (`hits`, three doubles a point).
constexpr std::size_t ShadowChunk = 32;
void ShadowBalls(const double* hits, std::size_t count, double* balls);

// For kept plane points `hits` (three doubles a point) with their `balls`, a
// byte per light and point, `masks[j * count + p]`: bit m set where sphere m
// lies on the line from point p along light j's unit direction (worked out
// as the trace does, UnitLightDir). A light whose lines from a chunk's ball
// pass far from every sphere gets zeros there without a test (with at most
// twelve lights).
void ShadowMasks(const double* hits, std::size_t count, const double* balls, const float* lightPositions,
                 unsigned lights, const SphereSet& spheres, std::uint8_t* masks);

// Of primary directions `dirs` from `eye`, the pixels where some sphere is
// not ruled out by ShadeSphere's first test (the discriminant of the doubled
// direction against eye - centre is not below zero), in order, each as
// pixel << 8 | a bit per such sphere, into `out` (room for `count`).
// Returns how many.
std::size_t SphereCandidates(const Vec3* dirs, std::size_t count, const Vec3& eye, const SphereSet& spheres,
                             std::uint32_t* out);

// Of `count` kept plane points with their `masks` (as ShadowMasks gives
// them) and `shadowed` flags, the points some light is blocked for now or
// was when last composed, in order, into `out` (room for `count`). Returns
// how many.
std::size_t PointsToCompose(const std::uint8_t* masks, unsigned lights, const std::uint8_t* shadowed, std::size_t count,
                            std::uint32_t* out);

}  // namespace glintwork

#endif
