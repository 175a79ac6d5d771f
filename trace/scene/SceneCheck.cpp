#include "trace/scene/SceneCheck.h"

#include <cstdio>

#include "trace/scene/PictureWarnings.h"
#include "trace/scene/Scene.h"
#include "trace/scene/TracedSpheres.h"

namespace glintwork {

namespace {

constexpr unsigned MaxScreenSide = 8192;  // keeps a frame under 2 GB resident (README, Limits)
constexpr unsigned RoomPlanePoints = 20;

enum class Fault { None, PlanePoints, Screen };

Fault FindFault(const Scene& scene)
{
    if (scene.planePointCount < RoomPlanePoints)
        return Fault::PlanePoints;
    if (scene.screenWidth == 0 || scene.screenHeight == 0 || scene.screenWidth > MaxScreenSide ||
        scene.screenHeight > MaxScreenSide)
        return Fault::Screen;
    return Fault::None;
}

std::string ScreenReason(const Scene& scene)
{
    return "the screen size " + std::to_string(scene.screenWidth) + " x " + std::to_string(scene.screenHeight) +
           " is not usable; each side must be between 1 and " + std::to_string(MaxScreenSide);
}

std::string SphereWarning(const Scene& scene)
{
    return "the scene has " + std::to_string(scene.sphereCount) + " spheres; only the first " +
           std::to_string(MaxSpheres) + " are traced";
}

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Where a finding about the file as a whole is placed, so that editors list
// it with the others.
ScenePlace TopOfFile()
{
    ScenePlace place;
    place.line = place.column = 1;
    place.wholeFile = true;
    return place;
}

}  // namespace

bool CheckSceneForTracing(const Scene& scene, std::string& reason, std::string& warning)
{
    reason.clear();
    warning.clear();
    switch (FindFault(scene)) {
    case Fault::PlanePoints:
        reason = "the scene has " + std::to_string(scene.planePointCount) +
                 " plane points; the room needs at least 20 (five planes)";
        return false;
    case Fault::Screen:
        reason = ScreenReason(scene);
        return false;
    case Fault::None:
        break;
    }
    if (scene.sphereCount > MaxSpheres)
        warning = SphereWarning(scene);
    return true;
}

bool CheckSceneForTracing(const Scene& scene, std::vector<SceneDiagnostic>& findings)
{
    SceneDiagnostic finding;
    finding.severity = SceneDiagnostic::Severity::Error;
    const Scene::Ending& end = scene.ReadingEnd();
    switch (FindFault(scene)) {
    case Fault::PlanePoints:
        finding.text = "the room needs " + std::to_string(RoomPlanePoints) + " plane points, but ";
        finding.place = scene.KeywordPlace("plane");
        if (finding.place.Known()) {
            finding.text += "this \"plane\" gives " + std::to_string(scene.planePointCount);
        } else if (end.stopped) {
            // What follows from the stop, which the reader told: told with it.
            finding.place = end.place;
            finding.kind = SceneDiagnostic::Kind::AfterStop;
            finding.text = "the room needs " + std::to_string(RoomPlanePoints) +
                           " plane points, and none were read before this place";
        } else {
            finding.place = TopOfFile();
            finding.text += end.empty ? "the file is empty" : "the file has no \"plane\"";
        }
        findings.push_back(finding);
        return false;
    case Fault::Screen:
        finding.text = ScreenReason(scene);
        finding.place = scene.KeywordPlace("screen");
        if (!finding.place.Known() && end.stopped) {
            finding.place = end.place;
            finding.kind = SceneDiagnostic::Kind::AfterStop;
            finding.text += "; no \"screen\" was read before this place";
        } else if (!finding.place.Known()) {
            finding.place = TopOfFile();
            finding.text += "; the file has no \"screen\"";
        }
        findings.push_back(finding);
        return false;
    case Fault::None:
        break;
    }
    AddPictureWarnings(scene, findings);
    // The ceiling's height is the z of point 13; a y that differs shows a
    // room written as if it were the y.
    const float* ceiling = &scene.planePoints[3 * 13];
    if (ceiling[1] != ceiling[2]) {
        finding.severity = SceneDiagnostic::Severity::Warning;
        finding.place = scene.KeywordPlace("plane");
        finding.text = "\"plane\" point 13 is (" + Number(ceiling[0]) + ", " + Number(ceiling[1]) + ", " +
                       Number(ceiling[2]) + "): the ceiling is at y = " + Number(ceiling[2]) +
                       ", the point's z, not at its y";
        findings.push_back(finding);
    }
    if (scene.sphereCount > MaxSpheres) {
        finding.severity = SceneDiagnostic::Severity::Warning;
        finding.place = scene.KeywordPlace("sphere");
        finding.text = SphereWarning(scene);
        findings.push_back(finding);
    }
    return true;
}

}  // namespace glintwork
