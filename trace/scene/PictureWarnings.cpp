#include "trace/scene/PictureWarnings.h"

#include <cstdio>
#include <string>

#include "trace/math/ViewGeometry.h"
#include "trace/scene/Scene.h"

namespace glintwork {

namespace {

// The tracers' back wall, whatever the scene's points say.
constexpr double BackWallZ = -30.0;

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string Point(double x, double y, double z)
{
    return "(" + Number(x) + ", " + Number(y) + ", " + Number(z) + ")";
}

// One bound of the room as the tracers take it from the plane points: which
// plane, where, and the coordinate of the point it comes from. `low`: the
// room lies above the bound (left wall, floor, back wall), else below it.
struct Bound {
    const char* plane;
    int axis;  // 0 x, 1 y, 2 z
    double at;
    bool low;
    const char* source;

    // Whether `value` lies on the side of the bound away from the room.
    bool Outside(double value) const { return low ? value < at : value > at; }
    std::string Where() const
    {
        static const char* const axes[] = {"x", "y", "z"};
        return std::string(axes[axis]) + " = " + Number(at) + (*source ? std::string(" (") + source + ")" : "");
    }
};

// The five room planes in the order the tracers trace them; the room is
// open towards the eye.
struct RoomBounds {
    Bound planes[5];

    explicit RoomBounds(const Scene& scene)
        : planes{{"left wall", 0, scene.planePoints[3 * 0 + 0], true, "point 0's x"},
                 {"right wall", 0, scene.planePoints[3 * 9 + 0], false, "point 9's x"},
                 {"back wall", 2, BackWallZ, true, ""},
                 {"floor", 1, scene.planePoints[3 * 17 + 1], true, "point 17's y"},
                 {"ceiling", 1, scene.planePoints[3 * 13 + 2], false, "point 13's z"}}
    {
    }

    const Bound& Left() const { return planes[0]; }
    const Bound& Right() const { return planes[1]; }
    const Bound& Floor() const { return planes[3]; }
    const Bound& Ceiling() const { return planes[4]; }
};

// "the eye (0, 0, 0)": the first of the view's eyes that is outside the room
// or on one of its planes. The single and environment views look from the
// origin, the pair from either side of it.
std::string EyeOutside(const RoomBounds& room)
{
    const double eyes[] = {0.0, -PairEyeOffset, PairEyeOffset};
    for (double x : eyes) {
        const double eye[3] = {x, 0.0, 0.0};
        const std::string name = std::string(x == 0.0 ? "the eye " : "the pair's eye ") + Point(x, 0.0, 0.0);
        for (int k = 0; k < 5; ++k) {
            const Bound& bound = room.planes[k];
            const double value = eye[bound.axis];
            if (bound.Outside(value)) {
                return name + " is outside the room, beyond its " + bound.plane + " at " + bound.Where() +
                       ": the room is seen from outside";
            }
            if (value == bound.at) {
                // A ray that crosses the plane there is scaled to nothing,
                // rejected, and skips the planes traced after it; a ray
                // along the plane skips only that one.
                std::string text = name + " is on the plane of the room's " + bound.plane + " at " + bound.Where() +
                                   ": no ray reaches the " + bound.plane;
                if (k + 1 < 5) {
                    std::string later;
                    for (int l = k + 1; l < 5; ++l)
                        later += std::string(l == k + 1 ? "" : l + 1 < 5 ? ", " : " and ") + room.planes[l].plane;
                    text += ", and the " + later + (k + 2 < 5 ? " are" : " is") +
                            " drawn only by the rays that run along that plane";
                }
                return text;
            }
        }
    }
    return "";
}

// "light 2 at (20, 0, -10) is beyond the right wall": empty when some light
// is inside the room, on or within the inner side of all five planes (a
// light behind a plane cannot light the side of it that faces the room).
std::string EveryLightOutside(const Scene& scene, const RoomBounds& room)
{
    std::string first;
    for (std::uint32_t j = 0; j < scene.lightCount; ++j) {
        const float* position = &scene.lightPositions[3 * j];
        const Bound* beyond = nullptr;
        for (const Bound& bound : room.planes)
            if (!beyond && bound.Outside(position[bound.axis]))
                beyond = &bound;
        if (!beyond)
            return "";
        if (first.empty())
            first = "light " + std::to_string(j + 1) + " at " + Point(position[0], position[1], position[2]) +
                    " is beyond the " + beyond->plane + " at " + beyond->Where() + ", which faces away from it";
    }
    return first;
}

}  // namespace

void AddPictureWarnings(const Scene& scene, std::vector<SceneDiagnostic>& findings)
{
    SceneDiagnostic finding;
    finding.severity = SceneDiagnostic::Severity::Warning;
    const auto warn = [&](const char* keyword, std::string text) {
        finding.place = scene.KeywordPlace(keyword);
        finding.text = std::move(text);
        if (!finding.place.Known())
            finding.text += std::string("; the file has no \"") + keyword + "\"";
        findings.push_back(finding);
    };

    // The point traced for column c of a w-wide screen lands on the left
    // edge of pixel column w - c, and is drawn there: column 0's points
    // fall on the right edge of the picture, just outside it. So do row 0's
    // on the top edge, and the pair's halves of a screen 1 wide have no width.
    if (scene.screenWidth == 1 || scene.screenHeight == 1)
        warn("screen", "the screen " + std::to_string(scene.screenWidth) + " x " +
                           std::to_string(scene.screenHeight) +
                           " shows nothing in the room view: its leftmost column and bottom row of pixels are "
                           "always black, and this screen has no others");

    // Only hits with z above the limit are drawn; the room ends, and the
    // view begins, at the near plane.
    const float nearZ = -NearDistance;
    if (!(scene.rayTraceDepth < nearZ))
        warn("raytracedepth", "the depth limit " + Number(scene.rayTraceDepth) +
                                  " hides everything: only hits with z above it are drawn, and the view begins at "
                                  "z = " + Number(nearZ));

    if (scene.lightCount == 0)
        warn("light", "the scene has no lights: every point is drawn black, since ambient light too comes from the "
                      "lights");

    const RoomBounds room(scene);
    const bool wide = room.Left().at < room.Right().at, high = room.Floor().at < room.Ceiling().at;
    if (!wide)
        warn("plane", "the room has no width: its left wall is at " + room.Left().Where() + " and its right wall at " +
                          room.Right().Where());
    if (!high)
        warn("plane", "the room has no height: its floor is at " + room.Floor().Where() + " and its ceiling at " +
                          room.Ceiling().Where());
    if (!wide || !high)
        return;  // the eye and the lights are outside a room without width or height

    const std::string eye = EyeOutside(room);
    if (!eye.empty())
        warn("plane", eye);
    const std::string light = EveryLightOutside(scene, room);
    if (!light.empty())
        warn("light", "every light is outside the room: " + light);
}

}  // namespace glintwork
