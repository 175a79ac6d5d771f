// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/LightBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "trace/kernels/LightBatch.h"
#include "trace/kernels/VectorLanes-inl.h"

#ifndef GLINTWORK_LIGHTBATCH_ARRAYS
#define GLINTWORK_LIGHTBATCH_ARRAYS
namespace glintwork {
// Where the kernel reads and writes: per light, structure of arrays.
struct LightArrays {
    const double* position[3];
    double* dir[3];
    double* half[3];
    double* diffuse;
    double* specularBase;
    double point[3];
    double view[3];
    double normal[3];
};
}  // namespace glintwork
#endif

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// A vector of lights a step; the arrays hold whole vectors.
template <class D> void LightsWith(D d, const LightArrays& l, std::size_t lights)
{
    using L = VectorLanes<D>;
    using V = typename L::V;
    V point[3], view[3], normal[3];
    for (int a = 0; a < 3; ++a) {
        point[a] = L::Set(l.point[a]);
        view[a] = L::Set(l.view[a]);
        normal[a] = L::Set(l.normal[a]);
    }
    for (std::size_t i = 0; i < lights; i += hn::Lanes(d)) {
        V light[3], dir[3], half[3], diffuse, specularBase;
        for (int a = 0; a < 3; ++a)
            light[a] = hn::LoadU(d, l.position[a] + i);
        LightTerms<L>(light, point, view, normal, dir, half, diffuse, specularBase);
        for (int a = 0; a < 3; ++a) {
            hn::StoreU(dir[a], d, l.dir[a] + i);
            hn::StoreU(half[a], d, l.half[a] + i);
        }
        hn::StoreU(diffuse, d, l.diffuse + i);
        hn::StoreU(specularBase, d, l.specularBase + i);
    }
}

void ComputeLights(const LightArrays& l, std::size_t lights)
{
    // Up to four lights take one step of at most four lanes.
    if (lights <= 4)
        LightsWith(UpToFour(), l, lights);
    else
        LightsWith(Full(), l, lights);
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputeLights);

void LightBatch::SetLights(const std::vector<float>& positions, unsigned lights)
{
    lightCount = lights;
    count = (static_cast<std::size_t>(lights) + Lanes - 1) / Lanes * Lanes;
    for (int a = 0; a < 3; ++a) {
        // Padding lanes sit at the origin; their results are never read.
        position[a].assign(count, 0.0);
        for (unsigned j = 0; j < lights && 3 * std::size_t(j) + a < positions.size(); ++j)
            position[a][j] = positions[3 * std::size_t(j) + a];
        dir[a].assign(count, 0.0);
        half[a].assign(count, 0.0);
    }
    diffuse.assign(count, 0.0);
    specularBase.assign(count, 0.0);
}

void LightBatch::Compute(const Vec3& point, const Vec3& view, const Vec3& normal)
{
    const glintwork::LightArrays l{{position[0].data(), position[1].data(), position[2].data()},
                                   {dir[0].data(), dir[1].data(), dir[2].data()},
                                   {half[0].data(), half[1].data(), half[2].data()},
                                   diffuse.data(),
                                   specularBase.data(),
                                   {point.x, point.y, point.z},
                                   {view.x, view.y, view.z},
                                   {normal.x, normal.y, normal.z}};
    HWY_DYNAMIC_DISPATCH(glintwork::ComputeLights)(l, lightCount);
}
}  // namespace glintwork
#endif
