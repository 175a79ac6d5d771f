#ifndef GLINTWORK_LIGHTTERMS_H
#define GLINTWORK_LIGHTTERMS_H

// One channel of a light's term, evaluated in double and rounded to float
// only where stored. A room plane's from its factors (RoomTracer's
// PlaneLightFactors): (ambient + tinted diffuse) + specular power.
inline double PlaneTerm(double ambient, double tinted, double specular, double diffuse, double power)
{
    return (ambient + tinted * diffuse) + specular * power;
}

// A sphere's channel c from the light's block l and the material's m.
inline double SphereLightTerm(const float* l, const float* m, int c, double diffuse, double specular)
{
    return (static_cast<double>(l[c]) * m[c] + static_cast<double>(l[3 + c]) * m[3 + c] * diffuse) +
           static_cast<double>(l[6 + c]) * m[6 + c] * specular;
}

// The ambient product alone plus a shadow colour: the term of a blocked light.
inline double ShadowedTerm(const float* l, const float* m, int c, float shadow)
{
    return static_cast<double>(l[c]) * m[c] + shadow;
}

#endif
