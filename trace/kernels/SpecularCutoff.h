#ifndef GLINTWORK_SPECULARCUTOFF_H
#define GLINTWORK_SPECULARCUTOFF_H

namespace glintwork {

// The base below which a light's specular power cannot change its term.
//
// A light's term (LightTerm) is A + s x p per channel, A = ambient + diffuse
// product x diffuse factor, s the specular product and p = SpecularPower(base,
// exponent). Where |s x p| is below a quarter of A's last place, adding it
// leaves A as it is, so the term with the power is the term with a power of 0
// and pow need not be called.
//
// SpecularCutoff returns a base c with that property for every base in
// [0, c) and every diffuse factor that is 0 or more (or NaN), or 0 where it
// cannot promise it (an exponent below 1, an ambient product that is not a
// positive normal number, a negative diffuse product). It holds because:
//  - A >= ambient (the diffuse part is 0 or more and rounding is monotonic), so
//    A's last place is at least the ambient's;
//  - for 0 <= b < c < 1 and exponent e >= k = floor(e): b^e <= b^k <= c^k, and
//    pow is within one unit in the last place of b^e;
//  - c^k is bounded from above by squaring, each product's rounding and pow's
//    error covered by a factor 1 + 2^-40, and that bound B is checked:
//    |s x B| (rounded as the term rounds it) < a quarter of the ambient's last
//    place in every channel.
double SpecularCutoff(const double ambient[3], const double diffuseProduct[3], const double specularProduct[3],
                      double exponent);

}  // namespace glintwork

#endif
