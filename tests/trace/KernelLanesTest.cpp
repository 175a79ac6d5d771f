#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "trace/kernels/BlockerBatch.h"
#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LibraryPow.h"
#include "trace/kernels/LightTables.h"
#include "trace/kernels/LightTerms.h"
#include "trace/kernels/PlaneLightSums.h"
#include "trace/kernels/PlanePointBatch.h"
#include "trace/kernels/SpecularCutoff.h"
#include "tests/trace/TracerTestScene.h"

namespace glintwork {

namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The same bits, or both NaN: where two NaNs meet in an operation, which
// one's sign comes out is the compiler's choice of operand order.
bool SameValue(double a, double b)
{
    return SameBits(a, b) || (std::isnan(a) && std::isnan(b));
}

bool SameBits(const Vec3& a, const Vec3& b)
{
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

// The light terms as the shading describes them, with a unit normal and the
// view direction not normalised (it is only read through the half vector).
struct Terms {
    Vec3 lightDir, half;
    double diffuse, specularBase;
};
Terms Expected(const Vec3& point, const Vec3& light, const Vec3& view, const Vec3& normal)
{
    Terms t;
    t.lightDir = light - point;
    t.half = t.lightDir + view;
    t.lightDir.Normalize();
    t.half.Normalize();
    t.diffuse = Dot(t.lightDir, normal);
    t.specularBase = Dot(t.half, normal);
    t.diffuse = t.diffuse < 0.0 ? 0.0 : t.diffuse;  // NaN stays
    t.specularBase = t.specularBase < 0.0 ? 0.0 : t.specularBase;
    return t;
}

class KernelLanes : public OnEveryInstructionSet {};
ON_EVERY_INSTRUCTION_SET(KernelLanes);

// Every lane of every vector width equals the scalar light terms to the bit,
// on the edges too: a point on a light (zero length), a half vector of zero
// length, a NaN point, normals the light is behind, a sphere's unit normal,
// and nine lights (a full step of eight lanes and a step with one). The same
// with the points in the lanes, and the first sphere on each line; and at
// the point where each such line enters that sphere. The specular power
// skips pow for a base of +0 only where pow gives +0. A blocker's colour is
// the float sum of its terms in light order, also where products reach past
// float's range (a sum rounds to infinity from the midpoint past the largest
// float on, as a float sum does) or are NaN.
TEST_P(KernelLanes, EveryLaneEqualsTheScalarTerms)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<float> positions = {0.0f,  0.0f,  0.0f,  10.0f, 15.0f, -20.0f, -3.5f, 9.25f, 1e-30f,
                                          1e30f, -7.0f, 2.0f,  0.1f,  0.2f,  0.3f,   -9.0f, -9.0f, -9.0f,
                                          1.0f,  1.0f,  -1.0f, 4.0f,  -4.0f, 4.0f,   33.0f, 0.0f,  -29.0f};
    const unsigned lights = static_cast<unsigned>(positions.size() / 3);
    struct Case {
        Vec3 point, view, normal;
    };
    const Case cases[] = {
        {{0.0, 0.0, 0.0}, {1.0, 2.0, 3.0}, {0.0, 1.0, 0.0}},                       // the point on light 0
        {{1.0, 0.0, 0.0}, {-9.0, 15.0, -20.0}, {1.0, 0.0, 0.0}},                   // light 1's half vector is zero
        {{-12.25, 3.75, -30.0}, {-0.3, 0.7, -1.9}, {0.0, 0.0, 1.0}},               // back wall
        {{-2.0, 10.0, -4.0}, {0.1, 0.9, -1.0}, {0.0, -1.0, 0.0}},                  // ceiling, lights below and above
        {{-0.0, -0.0, -0.0}, {-0.0, 0.0, -1e-300}, {0.0, 1.0, 0.0}},               // signed zeros, tiny values
        {{nan, 1.0, 2.0}, {0.5, 0.5, 0.5}, {1.0, 0.0, 0.0}},                       // NaN spreads
        {{2.0, -3.0, -7.0}, {0.2, -0.4, -1.0}, Vec3(0.3, -0.5, 0.8).Normalize()},  // not an axis
    };
    const double exponents[] = {1.0, 20.0, 0.5, 0.0, -1.0};

    // Light colours and sphere materials whose products reach past float's
    // range, are NaN or tiny for the later lights, ordinary for the first.
    const float ordinary[] = {0.5f, 0.25f, 0.125f};
    const float edge[] = {0.5f, -0.5f, 1e-20f, 3e38f, 0x1.fffffep127f, 0.0375f, static_cast<float>(nan), 1e-30f, 0.01f};
    std::vector<float> colours(9 * std::size_t(lights));
    for (unsigned j = 0; j < lights; ++j) {
        for (unsigned i = 0; i < 9; ++i)
            colours[9 * j + i] = j < 3 ? ordinary[(j + i) % 3] : edge[(7 * j + 3 * i) % std::size(edge)];
    }
    const float materials[] = {0.5f, 0.075f, 1.0f, 2.0f, 1.0000001f};
    std::vector<float> sphereMaterials(27);
    for (unsigned i = 0; i < sphereMaterials.size(); ++i)
        sphereMaterials[i] = materials[i % std::size(materials)];
    const std::vector<double> sphereExponents = {20.0, 1.0, 0.5};
    const LightTables tables(positions, colours, lights, std::vector<float>(45, 0.5f), sphereMaterials,
                             sphereExponents, 3);
    const std::string script = RoomScript() + "screen 4 4 sphere 3  0 0 -10 5   -6 2 -25 4   3 2 0 2";
    const SphereSet spheres = SetUpOf(script)->Spheres(RoomView(script));
    const ReferenceTracer straightforward = Straightforward(script);
    PlanePointBatch points;
    points.Fit(lights);
    points.SetSpheres(spheres);
    for (const Case& c : cases)
        points.Add(c.point, c.normal, c.view, 1.0);
    points.Compute(tables);
    BlockerBatch blockers;
    blockers.Fit(lights);
    blockers.SetSpheres(spheres);
    std::vector<Vec3> entries, entryNormals, entryViews;
    std::vector<unsigned> entrySpheres;
    int blocked[2] = {0, 0};
    for (const Case& c : cases) {
        const unsigned p = static_cast<unsigned>(&c - cases);
        for (unsigned j = 0; j < lights; ++j) {
            const Vec3 light(positions[3 * j], positions[3 * j + 1], positions[3 * j + 2]);
            for (double exponent : exponents) {
                const Terms scalar = Expected(c.point, light, c.view, c.normal);
                const Vec3 lightDir = scalar.lightDir;
                const double specular = std::pow(scalar.specularBase, exponent);
                SCOPED_TRACE(testing::Message() << "light " << j << " at " << c.point.x << " " << c.point.y << " "
                                                << c.point.z << ", exponent " << exponent);
                EXPECT_TRUE(SameBits(points.LightDir(j, p), lightDir) && SameBits(points.Diffuse(j, p), scalar.diffuse));
                EXPECT_TRUE(SameBits(SpecularPower(points.SpecularBase(j, p), exponent), specular));
                int first = -1;
                for (int m = 2; m >= 0; --m)
                    first = straightforward.SphereOnLine(c.point, lightDir, unsigned(m)) ? m : first;
                EXPECT_EQ(points.Blocker(j, p), first);
                ++blocked[first >= 0];
                if (first >= 0 && exponent == exponents[0]) {
                    const double point[3] = {c.point.x, c.point.y, c.point.z};
                    const double dir[3] = {lightDir.x, lightDir.y, lightDir.z};
                    blockers.Add(point, dir, unsigned(first), unsigned(first));
                    entries.push_back(straightforward.LineEntry(c.point, lightDir, unsigned(first)));
                    const double* centre = spheres.centre[first];
                    entryNormals.push_back(entries.back() - Vec3(centre[0], centre[1], centre[2]));
                    entryNormals.back().Normalize();
                    entryViews.push_back(lightDir);
                    entrySpheres.push_back(unsigned(first));
                }
            }
        }
    }
    EXPECT_TRUE(blocked[0] > 0 && blocked[1] > 0);  // both outcomes are tested
    blockers.Compute(tables, sphereExponents.data());
    // Each entry's colour: the float sum in light order of its sphere's
    // terms where the line enters it, seen along the line.
    for (unsigned n = 0; n < entries.size(); ++n) {
        float sum[3] = {0.0f, 0.0f, 0.0f};
        const unsigned m = entrySpheres[n];
        for (unsigned j = 0; j < lights; ++j) {
            const Vec3 light(positions[3 * j], positions[3 * j + 1], positions[3 * j + 2]);
            const Terms scalar = Expected(entries[n], light, entryViews[n], entryNormals[n]);
            const double power = SpecularPowerSeen(scalar.specularBase, sphereExponents[m], tables.Cutoff(j, m, m));
            for (int c = 0; c < 3; ++c)
                sum[c] = static_cast<float>((tables.OnSphere(j, LightTables::SphereAmbient, c, m) +
                                             tables.OnSphere(j, LightTables::SphereDiffuse, c, m) * scalar.diffuse) +
                                            tables.OnSphere(j, LightTables::SphereSpecular, c, m) * power + sum[c]);
        }
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(SameValue(blockers.Colour(n, c), sum[c])) << "entry " << n << ", channel " << c;
    }
}

// Powers by squaring are within 2^-45 of pow's (relative) wherever the
// exponent is whole (up to 128) and the base positive, and pow's own
// elsewhere (other exponents, a base of 0); after ExactPowers, pow's all.
TEST_P(KernelLanes, ApproximatePowersStayWithinTheirBound)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double exponents[] = {1.0, 2.0, 3.0, 5.0, 10.0, 30.0, 80.0, 127.0, 128.0, 129.0, 1000.0, 2.5, 0.5, nan};
    std::mt19937_64 random(38);
    std::uniform_real_distribution<double> coordinate(-9.0, 9.0);
    std::vector<float> positions;
    for (int i = 0; i < 3 * 3; ++i)
        positions.push_back(static_cast<float>(coordinate(random)));
    PlanePointBatch batch;
    batch.Fit(3);
    batch.SetSpheres(SphereSet());
    const LightTables tables(positions, std::vector<float>(27, 0.5f), 3, {}, {}, {}, 0);
    int approximated = 0;
    for (int round = 0; round < 40; ++round) {
        batch.Clear();
        for (unsigned p = 0; p < PlanePointBatch::MaxPoints; ++p) {
            const Vec3 point(coordinate(random), coordinate(random), -10.0);
            batch.Add(point, Vec3(0.0, 0.0, 1.0), Vec3(coordinate(random), coordinate(random), 9.0),
                      exponents[(round + p) % std::size(exponents)]);
        }
        batch.Compute(tables, PlanePointBatch::Work::Everything, true);
        for (const bool exact : {false, true}) {
            for (unsigned j = 0; j < 3; ++j) {
                for (unsigned p = 0; p < PlanePointBatch::MaxPoints; ++p) {
                    const double e = exponents[(round + p) % std::size(exponents)];
                    const double base = batch.SpecularBase(j, p), power = batch.Power(j, p);
                    const double expected = SpecularPower(base, e);
                    if (SameBits(power, expected))
                        continue;
                    ++approximated;
                    EXPECT_TRUE(!exact && e >= 1.0 && e <= 128.0 && e == std::floor(e) && base > 0.0 &&
                                std::fabs(power - expected) <= 0x1p-45 * expected)
                        << std::hexfloat << base << " ^ " << e << ": " << power << ", pow " << expected;
                }
            }
            batch.ExactPowers(~0u);
        }
    }
    EXPECT_GT(approximated, 100);
}

// With powers off by up to 2^-45 of theirs, the room sums are those of the
// exact powers except at the points they name, and every point whose sums
// the difference changes is named: random points, and points whose
// specular part alone lies next to a midpoint between two floats.
TEST_P(KernelLanes, RoomSumsNameThePointsAnApproximatePowerMightChange)
{
    constexpr unsigned Points = 24, Lights = 2, Planes = PlaneLightSums::Planes;
    std::mt19937_64 random(2038);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Plane 0 has only a specular part, of 1, 2 and 3 with light 0.
    std::vector<float> colours(9 * Lights), planeMaterials(9 * Planes);
    for (unsigned i = 0; i < colours.size(); ++i)
        colours[i] = i >= 6 && i < 9 ? static_cast<float>(i - 5) : static_cast<float>(0.01 + 0.5 * unit(random));
    for (unsigned i = 0; i < planeMaterials.size(); ++i)
        planeMaterials[i] = i < 6 ? 0.0f : i < 9 ? 1.0f : static_cast<float>(unit(random));
    const LightTables tables(std::vector<float>(3 * Lights, 0.0f), colours, Lights, planeMaterials, {}, {}, 0);
    constexpr std::size_t Padded = Points + WidestLanes;
    std::int32_t plane[Padded] = {}, tint[Padded] = {};
    double diffuse[Lights * Padded] = {}, exact[Lights * Padded] = {}, approximate[Lights * Padded] = {};
    float shadow[3][Lights * Padded] = {}, fromExact[3][Padded] = {}, fromApproximate[3][Padded] = {};
    unsigned blocked[Lights] = {};
    int named = 0, changed = 0;
    for (int round = 0; round < 300; ++round) {
        for (unsigned p = 0; p < Points; ++p) {
            plane[p] = static_cast<std::int32_t>(p % Planes);
            tint[p] = static_cast<std::int32_t>(random() % 8);
            for (unsigned j = 0; j < Lights; ++j) {
                diffuse[j * Padded + p] = unit(random);
                // Plane 0 of light 0 has only a specular part: powers just
                // below and above the midpoint between 1 and the next float.
                exact[j * Padded + p] = j == 0 && p % Planes == 0
                                            ? 1.0 + 0x1p-24 + (static_cast<double>(random() % 64) - 32.0) * 0x1p-53
                                            : unit(random);
                const double off = (static_cast<double>(random() % 5) - 2.0) * 0x1p-47;
                approximate[j * Padded + p] = exact[j * Padded + p] * (1.0 + off);
                for (int c = 0; c < 3; ++c)
                    shadow[c][j * Padded + p] = static_cast<float>(unit(random));
            }
        }
        blocked[1] = static_cast<unsigned>(random()) & ((1u << Points) - 1u);
        PlaneLightSums::Batch batch{Points,
                                    plane,
                                    tint,
                                    {diffuse, Padded, nullptr},
                                    {exact, Padded, nullptr},
                                    blocked,
                                    {shadow[0], shadow[1], shadow[2]},
                                    Padded,
                                    {fromExact[0], fromExact[1], fromExact[2]},
                                    false};
        EXPECT_EQ(PlaneLightSums::Sum(tables, batch), 0u);
        batch.power.values = approximate;
        batch.sums[0] = fromApproximate[0];
        batch.sums[1] = fromApproximate[1];
        batch.sums[2] = fromApproximate[2];
        batch.approximatePowers = true;
        const std::uint32_t again = PlaneLightSums::Sum(tables, batch);
        for (unsigned p = 0; p < Points; ++p) {
            const bool same = fromExact[0][p] == fromApproximate[0][p] && fromExact[1][p] == fromApproximate[1][p] &&
                              fromExact[2][p] == fromApproximate[2][p];
            named += again >> p & 1u;
            changed += !same;
            EXPECT_TRUE(same || (again >> p & 1u)) << "round " << round << ", point " << p;
        }
    }
    EXPECT_GT(changed, 0);           // the test can tell
    EXPECT_LT(named, 300 * Points);  // and not every point is named
}

}  // namespace

// The pow entry past errno's wrapper gives std::pow's number to the bit: on
// bases and exponents the tracer meets, on the edges the wrapper would report
// (overflow, underflow, a negative base, zero to a negative power, NaN), and
// on a fixed sample of highlight bases and exponents.
TEST(LibraryPow, EqualsTheLibrarysPowToTheBit)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, double>> cases = {
        {0.5, 20.0},  {0.999, 80.0}, {0.3, 0.5},   {1e-300, 2.0}, {1e300, 2.0},  {2.0, 1024.0},
        {-2.0, 0.5},  {-2.0, 3.0},   {-2.0, -3.0}, {0.0, -1.0},   {-0.0, -1.0},  {-0.0, 3.0},
        {nan, 0.0},   {1.0, nan},    {nan, 2.0},   {inf, -2.0},   {-inf, 3.0},   {4.9e-324, 0.5},
        {0.7, 1e-10}, {0.7, -1e300}, {1.0, 1e308}, {0.25, -0.5},  {5e-324, 1.0}, {0.9999999999999999, 1e17}};
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return double(state >> 11) * 0x1p-53;
    };
    for (int i = 0; i < 2000; ++i)
        cases.emplace_back(next(), std::floor(next() * 128.0) + (i % 4 == 0 ? next() : 0.0));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " ^ " << c.second);
        EXPECT_TRUE(SameBits(LibraryPow(c.first, c.second), std::pow(c.first, c.second)));
    }
}

// Below its cutoff a specular power cannot change a light's term: with the
// power and with none the term is the same to the bit, for bases right under
// the cutoff (where the bound is tightest) and far under it, for diffuse
// factors of 0 (the term is the ambient product alone, whose last place the
// cutoff is measured against), in between and NaN. The cutoffs of lights and
// materials the scenes use are large enough to leave calls out; where no base
// can be promised (an exponent below 1, an ambient product that is not a
// positive normal number, a negative diffuse product, an unbounded specular
// one) the cutoff is 0.
TEST(SpecularCutoff, PowersBelowItLeaveTheTermAsItIs)
{
    struct Factors {
        double ambient[3], diffuse[3], specular[3];
        double exponent;
        double atLeast;  // the cutoff is at least this
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Factors cases[] = {
        {{0.15 * 0.2, 0.15 * 0.05, 0.15 * 0.05}, {0.6 * 0.7, 0.6 * 0.12, 0.6 * 0.1}, {0.5 * 0.3, 0.5 * 0.3, 0.5 * 0.3},
         20.0, 0.05},
        {{0.03 * 0.04, 0.04 * 0.04, 0.03 * 0.05}, {0.15 * 0.12, 0.22 * 0.12, 0.15 * 0.15}, {0.1 * 0.9, 0.15 * 0.9, 0.1 * 0.9},
         80.0, 0.5},
        {{0.05 * 0.05, 0.05 * 0.05, 0.05 * 0.2}, {0.25 * 0.1, 0.25 * 0.25, 0.25 * 0.75}, {0.2 * 0.5, 0.2 * 0.5, 0.2 * 0.5},
         40.5, 0.3},
        {{1e-300, 2e-300, 3e-300}, {1.0, 1.0, 1.0}, {1e10, 1.0, 0.0}, 3.0, 0.0},
        {{0.5, 0.5, 0.5}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 1.0, 0.99},
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {-0.5, 0.5, 0.5}, 1.0, 0.0},
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 0x1p31, 0.9},
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 1.5, 0.0},
    };
    for (const Factors& f : cases) {
        SCOPED_TRACE(testing::Message() << "exponent " << f.exponent << ", ambient " << f.ambient[0]);
        const double cutoff = SpecularCutoff(f.ambient, f.diffuse, f.specular, f.exponent);
        EXPECT_GE(cutoff, f.atLeast);
        EXPECT_LT(cutoff, 1.0);
        const double bases[] = {std::nextafter(cutoff, 0.0), cutoff * (1.0 - 0x1p-30), cutoff * 0.999, cutoff * 0.5,
                                0.0, -0.0};
        for (double base : bases) {
            if (!(base < cutoff))
                continue;
            for (double diffuse : {0.0, 0.3, 1.0, nan}) {
                for (int c = 0; c < 3; ++c) {
                    const double with = LightTerm<OneLane>(f.ambient[c], f.diffuse[c], f.specular[c], diffuse,
                                                  SpecularPower(base, f.exponent));
                    const double without = LightTerm<OneLane>(f.ambient[c], f.diffuse[c], f.specular[c], diffuse,
                                                     SpecularPowerSeen(base, f.exponent, cutoff));
                    EXPECT_TRUE(SameValue(with, without)) << "base " << base << ", diffuse " << diffuse;
                }
            }
        }
    }
    const double positive[3] = {0.25, 0.25, 0.25};
    const Factors none[] = {
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 0.5, 0.0},
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, nan, 0.0},
        {{0.25, 0.0, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 20.0, 0.0},
        {{0.25, -0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 20.0, 0.0},
        {{0.25, 1e-310, 0.25}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 20.0, 0.0},
        {{0.25, 0.25, 0.25}, {0.5, -0.5, 0.5}, {0.5, 0.5, 0.5}, 20.0, 0.0},
        {{0.25, 0.25, 0.25}, {0.5, 0.5, 0.5}, {0.5, std::numeric_limits<double>::infinity(), 0.5}, 20.0, 0.0},
    };
    for (const Factors& f : none)
        EXPECT_EQ(SpecularCutoff(f.ambient, f.diffuse, f.specular, f.exponent), 0.0) << f.exponent;
    EXPECT_GT(SpecularCutoff(positive, positive, positive, 20.0), 0.0);
}

// Where the test says a vector, once normalised, surely has a dot product
// below 0 with a normal, the clamped dot product is +0 to the bit: on
// vectors turned from the normal's plane by 2^-20 to 2^-64 of their length
// (past the test's margin, where the roundings decide the sign), at lengths
// from 2^-150 to 2^150, and on the edges it must refuse: zero, NaN and
// infinite coordinates, lengths past its bounds, a normal that is not unit
// sized. It does answer yes well inside the margin.
TEST(SurelyBelowZero, ItsClampedDotProductIsPlusZero)
{
    using L = OneLane;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto clampedDot = [](const double v[3], const double n[3]) {
        double unit[3] = {v[0], v[1], v[2]};
        Normalize3<L>(unit);
        return ClampedAtZero<L>(Dot3<L>(unit, n));
    };
    struct Case {
        double v[3], n[3];
        int away;  // 1 yes, 0 no, -1 either
    };
    const double up[3] = {0.0, 1.0, 0.0};
    const Case cases[] = {
        {{0.3, -1.0, 0.2}, {0.0, 1.0, 0.0}, 1},
        {{-4.0, -6.0, 9.0}, {-0.6, 0.0, -0.8}, 1},
        {{1.0, 1e-30, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{1.0, -0.0, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{0.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{1.0, -1e-13, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{1e-130, -1e-130, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{1e130, -1e130, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{nan, -1.0, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{0.0, -1.0, 0.0}, {nan, 1.0, 0.0}, 0},
        {{inf, -inf, 0.0}, {0.0, 1.0, 0.0}, 0},
        {{0.0, -1.0, 0.0}, {0.0, 3.0, 0.0}, 0},
        {{0.0, -1.0, 0.0}, {0.0, 1.0 + 0x1p-40, 0.0}, 1},
    };
    for (const Case& c : cases) {
        const bool away = SurelyBelowZeroOnceNormalised<L>(c.v, c.n);
        SCOPED_TRACE(testing::Message() << c.v[0] << " " << c.v[1] << " " << c.v[2] << " / " << c.n[1]);
        if (c.away >= 0) {
            EXPECT_EQ(away, c.away == 1);
        }
        if (away) {
            EXPECT_TRUE(SameBits(clampedDot(c.v, c.n), 0.0));
        }
    }
    std::uint64_t state = 0x2545f4914f6cdd1du;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return double(state >> 11) * 0x1p-53 * 2.0 - 1.0;
    };
    int yes = 0;
    for (int i = 0; i < 20000; ++i) {
        double n[3] = {next(), next(), next()};
        if (i % 5 == 0)
            std::copy(up, up + 3, n);
        Normalize3<L>(n);
        double side[3] = {next(), next(), next()};
        const double along = Dot3<L>(side, n);
        for (int a = 0; a < 3; ++a)
            side[a] -= along * n[a];
        const double tilt = std::ldexp(1.0, -20 - i % 45);
        const int scale = static_cast<int>(next() * 150.0);
        double v[3];
        for (int a = 0; a < 3; ++a)
            v[a] = std::ldexp(side[a] - tilt * n[a], scale);
        if (!SurelyBelowZeroOnceNormalised<L>(v, n))
            continue;
        ++yes;
        EXPECT_TRUE(SameBits(clampedDot(v, n), 0.0)) << "case " << i;
    }
    EXPECT_GT(yes, 2000);
}

}  // namespace glintwork
