// The fast path's vector formulas, each written once over a set of lanes `L`
// (trace/kernels/LaneMaths.h). Included in two places: by LaneMaths.h for plain
// doubles, and by VectorLanes-inl.h inside the code compiled for each
// instruction set, whose vector operations only code compiled for that set
// may call. No include guard, for that reason. Each is inlined where it is
// used, so that its vectors stay in registers.

#ifndef GLINTWORK_LANE_FORMULA
#define GLINTWORK_LANE_FORMULA inline __attribute__((always_inline))
#endif

// One channel of a light's unshadowed term, from the products of the
// light's and the material's colours (a float times a float is exact in
// double, so multiplying them out first changes nothing):
// (ambient + diffuse product x diffuse factor) + specular product x power.
template <class L>
GLINTWORK_LANE_FORMULA typename L::V LightTerm(typename L::V ambient, typename L::V diffuseProduct,
                                               typename L::V specularProduct, typename L::V diffuse,
                                               typename L::V power)
{
    return (ambient + diffuseProduct * diffuse) + specularProduct * power;
}

// The term of a light a sphere blocks: the ambient product plus the colour
// the sphere shows (a float, widened).
template <class L> GLINTWORK_LANE_FORMULA typename L::V ShadowedTerm(typename L::V ambient, typename L::V shadow)
{
    return ambient + shadow;
}

// A colour channel's running sum over the lights with one more light's
// term, rounded to float as a float sum stores it (the sum is a float
// widened to double, which is exact).
template <class L> GLINTWORK_LANE_FORMULA typename L::V AddedToFloatSum(typename L::V term, typename L::V sum)
{
    return L::RoundedToFloat(term + sum);
}

// (a0 b0 + a1 b1) + a2 b2.
template <class L> GLINTWORK_LANE_FORMULA typename L::V Dot3(const typename L::V a[3], const typename L::V b[3])
{
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
}

// v / |v|; a zero length gives fresh zeros (never NaN, never -0), a NaN
// length divides, so NaN spreads.
template <class L> GLINTWORK_LANE_FORMULA void Normalize3(typename L::V v[3])
{
    using V = typename L::V;
    const V zero = L::Set(0.0);
    const V length = L::Sqrt(Dot3<L>(v, v));
    const auto isZero = length == zero;
    for (int a = 0; a < 3; ++a)
        v[a] = L::Select(isZero, zero, v[a] / length);
}

// x, or 0 where x is below 0 (NaN stays).
template <class L> GLINTWORK_LANE_FORMULA typename L::V ClampedAtZero(typename L::V x)
{
    const typename L::V zero = L::Set(0.0);
    return L::Select(x < zero, zero, x);
}

// The unit direction from `point` to `light`.
template <class L>
GLINTWORK_LANE_FORMULA void UnitLightDir(const typename L::V light[3], const typename L::V point[3], typename L::V dir[3])
{
    for (int a = 0; a < 3; ++a)
        dir[a] = light[a] - point[a];
    Normalize3<L>(dir);
}

// The diffuse factor of a unit light direction at a unit normal.
template <class L>
GLINTWORK_LANE_FORMULA typename L::V DiffuseFactor(const typename L::V dir[3], const typename L::V normal[3])
{
    return ClampedAtZero<L>(Dot3<L>(dir, normal));
}

// Whether the dot product of v normalised (Normalize3) with `normal`, as
// Dot3 works it out, is surely below 0, so that ClampedAtZero makes it +0
// (false where this cannot tell). It is, if v's own dot product s with the
// normal is below 0 and s^2 is at least 2^-78 of v's squared length w: with
// the normal's squared length at most 2 (a unit normal's is 1), |s| is then
// more than 2^-40 of the sum of the dot product's terms' sizes, and the
// division and both dot products' roundings move it by under 7 units in the
// last place of that sum (2^-50 of it). Bounds on w keep every step far
// from underflow and overflow, and v's length from 0. NaN gives false.
template <class L>
GLINTWORK_LANE_FORMULA typename L::M SurelyBelowZeroOnceNormalised(const typename L::V v[3],
                                                                  const typename L::V normal[3])
{
    using V = typename L::V;
    const V along = Dot3<L>(v, normal);
    const V lengthSquared = Dot3<L>(v, v);
    const auto sized = L::And(L::And(lengthSquared >= L::Set(0x1p-400), lengthSquared <= L::Set(0x1p400)),
                              Dot3<L>(normal, normal) <= L::Set(2.0));
    return L::And(L::And(sized, along < L::Set(0.0)), along * along >= L::Set(0x1p-78) * lengthSquared);
}

// The vector from `point` to `light`, and that plus `view`: the light
// direction and the half vector of LightTerms before either is normalised.
template <class L>
GLINTWORK_LANE_FORMULA void TowardsLight(const typename L::V light[3], const typename L::V point[3],
                                         const typename L::V view[3], typename L::V toLight[3],
                                         typename L::V halfway[3])
{
    for (int a = 0; a < 3; ++a) {
        toLight[a] = light[a] - point[a];
        halfway[a] = toLight[a] + view[a];
    }
}

// The light terms of one light at one shaded point: the unit light
// direction, the normalised half vector, the diffuse factor and the base of
// the specular power, for a ray that arrived along `view`, with a unit
// `normal` (a room plane's axis, or a sphere's normal normalised once by the
// caller). The half vector is formed from the light and view directions
// before either is normalised; the view direction itself is never read
// normalised, so it is not. The power is left to the caller: std::pow per
// light, and only where used.
template <class L>
GLINTWORK_LANE_FORMULA void LightTerms(const typename L::V light[3], const typename L::V point[3],
                                       const typename L::V view[3], const typename L::V normal[3], typename L::V dir[3],
                                       typename L::V half[3], typename L::V& diffuse, typename L::V& specularBase)
{
    TowardsLight<L>(light, point, view, dir, half);
    Normalize3<L>(dir);
    Normalize3<L>(half);
    diffuse = DiffuseFactor<L>(dir, normal);
    specularBase = ClampedAtZero<L>(Dot3<L>(half, normal));
}

// Whether LightTerms' diffuse factor and base are surely both +0 (the light
// and the half vector surely behind the surface), by
// SurelyBelowZeroOnceNormalised on the vectors LightTerms normalises.
template <class L>
GLINTWORK_LANE_FORMULA typename L::M SurelyTurnedAway(const typename L::V light[3], const typename L::V point[3],
                                                      const typename L::V view[3], const typename L::V normal[3])
{
    typename L::V toLight[3], halfway[3];
    TowardsLight<L>(light, point, view, toLight, halfway);
    return L::And(SurelyBelowZeroOnceNormalised<L>(toLight, normal),
                  SurelyBelowZeroOnceNormalised<L>(halfway, normal));
}

// A sphere and a line. With f the line's origin minus the centre, c = f . f
// - r^2 and `doubled` the direction scaled by 2, b = doubled . f, and the
// sphere is on the line unless b^2 - 4c < 0 (a NaN discriminant counts as
// on it). The shadow tests, the first test of a primary ray and the
// blocker's entry point all take these steps.
template <class L>
GLINTWORK_LANE_FORMULA void SphereTermsPerLane(const typename L::V origin[3], const typename L::V centre[3],
                                               typename L::V radiusSquared, typename L::V f[3], typename L::V& c)
{
    for (int a = 0; a < 3; ++a)
        f[a] = origin[a] - centre[a];
    c = Dot3<L>(f, f) - radiusSquared;
}

// The same with one sphere in every lane.
template <class L>
GLINTWORK_LANE_FORMULA void SphereTerms(const typename L::V origin[3], const double centre[3], double radiusSquared,
                                        typename L::V f[3], typename L::V& c)
{
    const typename L::V lanes[3] = {L::Set(centre[0]), L::Set(centre[1]), L::Set(centre[2])};
    SphereTermsPerLane<L>(origin, lanes, L::Set(radiusSquared), f, c);
}

// The discriminant b^2 - 4c, with b.
template <class L>
GLINTWORK_LANE_FORMULA typename L::V Discriminant(const typename L::V doubled[3], const typename L::V f[3],
                                                  typename L::V c, typename L::V& b)
{
    b = Dot3<L>(doubled, f);
    return b * b - L::Set(4.0) * c;
}

template <class L>
GLINTWORK_LANE_FORMULA typename L::M MeetsSphere(const typename L::V doubled[3], const typename L::V f[3],
                                                 typename L::V c)
{
    typename L::V b;
    return L::Not(Discriminant<L>(doubled, f, c, b) < L::Set(0.0));
}

// The smaller root t of a line that meets a sphere, whatever its sign.
template <class L> GLINTWORK_LANE_FORMULA typename L::V NearRoot(typename L::V b, typename L::V disc)
{
    const typename L::V two = L::Set(2.0);
    return L::Select(disc == L::Set(0.0), L::Neg(b) / two, (L::Neg(b) - L::Sqrt(disc)) / two);
}

// Where the line from `origin` along the unit `direction` enters a sphere
// it meets: origin + t direction, t the near root.
template <class L>
GLINTWORK_LANE_FORMULA void LineEntry(const typename L::V origin[3], const typename L::V direction[3],
                                      const typename L::V centre[3], typename L::V radiusSquared,
                                      typename L::V entry[3])
{
    typename L::V doubled[3], f[3], c, b;
    for (int a = 0; a < 3; ++a)
        doubled[a] = L::Set(2.0) * direction[a];
    SphereTermsPerLane<L>(origin, centre, radiusSquared, f, c);
    const typename L::V disc = Discriminant<L>(doubled, f, c, b);  // sets b
    const typename L::V t = NearRoot<L>(b, disc);
    for (int a = 0; a < 3; ++a)
        entry[a] = origin[a] + t * direction[a];
}

// Whether a point of room plane p (0 left wall, 1 right wall, 2 back wall,
// 3 floor, 4 ceiling) lies off the room's face, tested on the two
// coordinates the plane spans (z and y, x and y, or z and x) against the
// bounds `low` and `high` (per axis x, y, z). Bounds are inclusive, and a
// coordinate that is not a number is never off.
template <class L>
GLINTWORK_LANE_FORMULA typename L::M OffFace(int p, const typename L::V point[3], const double low[3],
                                             const double high[3])
{
    constexpr int first[5] = {2, 2, 0, 2, 2}, second[5] = {1, 1, 1, 0, 0};
    const typename L::V u = point[first[p]], v = point[second[p]];
    return L::Or(L::Or(u < L::Set(low[first[p]]), u > L::Set(high[first[p]])),
                 L::Or(v > L::Set(high[second[p]]), v < L::Set(low[second[p]])));
}

// One plane of a ray's walk through the room (a primary ray's, or a sphere
// point's mirrored ray): with `toPlane` the distance from the ray's origin
// to plane p along its normal ((plane point - origin) . normal) and
// `facing` the ray's own (ray . normal), the ray scaled to the plane and the
// point it reaches there from `origin`; true where that point lies on the
// plane's face and before the depth limit (a z at or below it is hidden).
template <class L>
GLINTWORK_LANE_FORMULA typename L::M PlaneStep(int p, typename L::V toPlane, typename L::V facing,
                                               const typename L::V origin[3], const typename L::V ray[3],
                                               const double low[3], const double high[3], double depthLimit,
                                               typename L::V scaled[3], typename L::V at[3])
{
    const typename L::V t = toPlane / facing;
    for (int a = 0; a < 3; ++a) {
        scaled[a] = t * ray[a];
        at[a] = origin[a] + scaled[a];
    }
    return L::AndNot(OffFace<L>(p, at, low, high), L::Set(depthLimit) < at[2]);
}

// direction = unit(direction - 2 (direction . normal) normal), step by step:
// the normal scaled by the dot product, then by 2.
template <class L>
GLINTWORK_LANE_FORMULA void Mirror(typename L::V direction[3], const typename L::V normal[3])
{
    const typename L::V along = Dot3<L>(direction, normal);
    for (int a = 0; a < 3; ++a)
        direction[a] = direction[a] - L::Set(2.0) * (along * normal[a]);
    Normalize3<L>(direction);
}
