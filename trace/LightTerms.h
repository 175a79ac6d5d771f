#ifndef GLINTWORK_LIGHTTERMS_H
#define GLINTWORK_LIGHTTERMS_H

#include <cmath>

#include "trace/Vec3.h"

// The diffuse and specular factors of one light at one shaded point, for a ray
// that arrived along `view`. The half vector is formed from the light and view
// directions before either is normalised.
struct LightTerms {
    Vec3 lightDir;
    Vec3 viewDir;
    Vec3 shadeNormal;
    Vec3 half;
    double diffuse = 0.0;
    double specular = 0.0;

    void Compute(const Vec3& point, const Vec3& lightPosition, const Vec3& view, const Vec3& surfaceNormal,
                 double exponent, bool unitAxisNormal = false, bool skipUnread = false)
    {
        Begin(point, lightPosition, view, surfaceNormal, unitAxisNormal, skipUnread);
        Finish(exponent);
    }

    // The unit light direction (all a shadow test needs) and the half vector
    // still to be normalised. With `unitAxisNormal` the normal is a unit axis
    // (a room plane's), which normalising would leave as it is; with
    // `skipUnread` the view direction, which only goes into the half vector,
    // is not normalised itself.
    void Begin(const Vec3& point, const Vec3& lightPosition, const Vec3& view, const Vec3& surfaceNormal,
               bool unitAxisNormal = false, bool skipUnread = false)
    {
        lightDir = lightPosition - point;
        viewDir = view;
        shadeNormal = surfaceNormal;
        half = lightDir + viewDir;
        lightDir.Normalize();
        if (!skipUnread)
            viewDir.Normalize();
        if (!unitAxisNormal)
            shadeNormal.Normalize();
    }

    // The diffuse and specular factors (not needed for a blocked light).
    void Finish(double exponent)
    {
        half.Normalize();
        diffuse = Dot(lightDir, shadeNormal);
        if (diffuse < 0.0)
            diffuse = 0.0;
        double s = Dot(half, shadeNormal);
        if (s < 0.0)
            s = 0.0;
        specular = std::pow(s, exponent);
    }
};

// Channel c of the light terms, each evaluated in double from the float
// reflectances and intensities and rounded to float only where stored.
// m points at the object's material block, l at the light's.
inline double SphereLightTerm(const float* l, const float* m, int c, double diffuse, double specular)
{
    return (static_cast<double>(l[c]) * m[c] + static_cast<double>(l[3 + c]) * m[3 + c] * diffuse) +
           static_cast<double>(l[6 + c]) * m[6 + c] * specular;
}

inline double PlaneLightTerm(const float* l, const float* m, const float* tint, int c, double diffuse, double specular)
{
    return (static_cast<double>(l[c]) * m[c] + static_cast<double>(tint[c]) * l[3 + c] * m[3 + c] * diffuse) +
           static_cast<double>(l[6 + c]) * m[6 + c] * specular;
}

// The ambient product alone plus a shadow colour: the term of a blocked light.
inline double ShadowedTerm(const float* l, const float* m, int c, float shadow)
{
    return static_cast<double>(l[c]) * m[c] + shadow;
}

#endif
