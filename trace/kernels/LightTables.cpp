#include "trace/kernels/LightTables.h"

#include "trace/kernels/SpecularCutoff.h"

namespace glintwork {

LightTables::LightTables(const std::vector<float>& lightPositions, const std::vector<float>& colours,
                         unsigned lights, const std::vector<float>& planeMaterials,
                         const std::vector<float>& sphereMaterials, const std::vector<double>& sphereExponents,
                         unsigned spheres)
    : lightCount(lights)
{
    positions.assign(3 * std::size_t(lights), 0.0);
    for (std::size_t i = 0; i < positions.size() && i < lightPositions.size(); ++i)
        positions[i] = lightPositions[i];
    planeProducts.assign(std::size_t(lights) * PlaneRowSize + WidestLanes, 0.0);
    sphereProducts.assign(std::size_t(lights) * SphereRowSize + WidestLanes, 0.0);
    for (unsigned j = 0; j < lights; ++j) {
        const float* l = &colours[9 * std::size_t(j)];
        double* planeRow = planeProducts.data() + j * PlaneRowSize;
        for (std::size_t k = 0; k < Planes && 9 * k + 9 <= planeMaterials.size(); ++k) {
            const float* m = &planeMaterials[9 * k];
            for (int c = 0; c < 3; ++c) {
                planeRow[(PlaneAmbient + c) * Planes + k] = static_cast<double>(l[c]) * m[c];
                // The tint channel times the diffuse product, for a channel of 0 and of 1.
                planeRow[(PlaneUntinted + c) * Planes + k] = static_cast<double>(0.0f) * l[3 + c] * m[3 + c];
                planeRow[(PlaneTinted + c) * Planes + k] = static_cast<double>(1.0f) * l[3 + c] * m[3 + c];
                planeRow[(PlaneSpecular + c) * Planes + k] = static_cast<double>(l[6 + c]) * m[6 + c];
            }
        }
        double* sphereRow = sphereProducts.data() + j * SphereRowSize;
        for (unsigned s = 0; s < spheres && s < Spheres; ++s) {
            const float* m = &sphereMaterials[9 * std::size_t(s)];
            double ambient[3], diffuse[3], specular[3];
            for (int c = 0; c < 3; ++c) {
                ambient[c] = static_cast<double>(l[c]) * m[c];
                diffuse[c] = static_cast<double>(l[3 + c]) * m[3 + c];
                specular[c] = static_cast<double>(l[6 + c]) * m[6 + c];
                sphereRow[(SphereAmbient + c) * Spheres + s] = ambient[c];
                sphereRow[(SphereDiffuse + c) * Spheres + s] = diffuse[c];
                sphereRow[(SphereSpecular + c) * Spheres + s] = specular[c];
            }
            for (unsigned e = 0; e < spheres && e < Spheres; ++e)
                sphereRow[SphereCutoffs + e * Spheres + s] =
                    SpecularCutoff(ambient, diffuse, specular, sphereExponents[e]);
        }
    }
}

}  // namespace glintwork
