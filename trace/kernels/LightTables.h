#ifndef GLINTWORK_LIGHTTABLES_H
#define GLINTWORK_LIGHTTABLES_H

#include <cstddef>
#include <vector>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/SphereLanes.h"

namespace glintwork {

// What the fast path's kernels read of a scene's lights: each light's
// position widened to double, and what each light makes of each room plane's
// and each sphere's material, multiplied out as far as the order of
// operations allows (a float times a float is exact in double). Worked out
// once, when a scene is set up; read by the plane points' sums, the blocking
// spheres' colours and the sphere points' sums alike.
class LightTables {
public:
    static constexpr std::size_t Planes = 5;                     // the room's
    static constexpr std::size_t Spheres = SphereSet::MaxSpheres;  // the most traced

    // Where a light's products sit in its row of plane products: per kind and
    // channel c, one value per plane, at (kind + c) * Planes + plane. The
    // diffuse product comes twice: times a tint channel of 0 and of 1.
    static constexpr std::size_t PlaneAmbient = 0, PlaneUntinted = 3, PlaneTinted = 6, PlaneSpecular = 9;
    static constexpr std::size_t PlaneRowSize = 12 * Planes;
    // The same for the spheres: per kind and channel c, one value per sphere
    // at (kind + c) * Spheres + sphere; then, for sphere m's products with the
    // exponent of sphere e, the base below which the power leaves the term as
    // it is (SpecularCutoff), at SphereCutoffs + e * Spheres + m.
    static constexpr std::size_t SphereAmbient = 0, SphereDiffuse = 3, SphereSpecular = 6;
    static constexpr std::size_t SphereCutoffs = 9 * Spheres;
    static constexpr std::size_t SphereRowSize = SphereCutoffs + Spheres * Spheres;

    LightTables() = default;
    // From the lights (three floats a position, nine a colour block, as a
    // scene lists them), the five planes' material blocks and the spheres'
    // blocks and exponents (nine floats and one double a sphere).
    LightTables(const std::vector<float>& positions, const std::vector<float>& colours, unsigned lights,
                const std::vector<float>& planeMaterials, const std::vector<float>& sphereMaterials,
                const std::vector<double>& sphereExponents, unsigned spheres);

    unsigned Lights() const { return lightCount; }
    // x, y, z of each light.
    const double* Positions() const { return positions.data(); }

    // Light j's rows. A kernel may read a whole vector from any entry: the
    // tables are padded past their last row.
    const double* PlaneRow(unsigned j) const { return planeProducts.data() + j * PlaneRowSize; }
    const double* SphereRow(unsigned j) const { return sphereProducts.data() + j * SphereRowSize; }
    double OnPlane(unsigned j, std::size_t kind, int c, int k) const { return PlaneRow(j)[(kind + c) * Planes + k]; }
    double OnSphere(unsigned j, std::size_t kind, int c, unsigned m) const
    {
        return SphereRow(j)[(kind + c) * Spheres + m];
    }
    double Cutoff(unsigned j, unsigned m, unsigned e) const { return SphereRow(j)[SphereCutoffs + e * Spheres + m]; }

private:
    unsigned lightCount = 0;
    std::vector<double> positions;
    std::vector<double> planeProducts;
    std::vector<double> sphereProducts;
};

}  // namespace glintwork

#endif
