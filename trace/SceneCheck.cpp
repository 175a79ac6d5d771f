#include "trace/SceneCheck.h"

#include "trace/RoomTracer.h"
#include "trace/Scene.h"

namespace {

constexpr unsigned MaxScreenSide = 16384;
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
           std::to_string(RoomTracer::MaxSpheres) + " are traced";
}

// "room.txt:3:9"
std::string StopPlace(const Scene& scene, const std::string& file)
{
    const ScenePlace place = scene.ReadingEnd().place;
    return file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
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
    if (scene.sphereCount > RoomTracer::MaxSpheres)
        warning = SphereWarning(scene);
    return true;
}

bool CheckSceneForTracing(const Scene& scene, const std::string& file, std::vector<SceneDiagnostic>& findings)
{
    SceneDiagnostic finding;
    const Scene::Ending& end = scene.ReadingEnd();
    switch (FindFault(scene)) {
    case Fault::PlanePoints: {
        finding.severity = SceneDiagnostic::Severity::Error;
        finding.place = scene.KeywordPlace("plane");
        std::string why;
        if (finding.place.Known())
            why = "this \"plane\" gives " + std::to_string(scene.planePointCount);
        else if (end.stopped)
            why = "reading stopped at " + StopPlace(scene, file) + " before any were read (" + end.reason + ")";
        else if (end.empty)
            why = "the file is empty";
        else
            why = "the file has no \"plane\"";
        finding.text = "the room needs " + std::to_string(RoomPlanePoints) + " plane points, but " + why;
        findings.push_back(finding);
        return false;
    }
    case Fault::Screen:
        finding.severity = SceneDiagnostic::Severity::Error;
        finding.text = ScreenReason(scene);
        finding.place = scene.KeywordPlace("screen");
        if (!finding.place.Known())
            finding.text += end.stopped ? "; reading stopped at " + StopPlace(scene, file) +
                                              " before any \"screen\" was read (" + end.reason + ")"
                                        : "; the file has no \"screen\"";
        findings.push_back(finding);
        return false;
    case Fault::None:
        break;
    }
    if (scene.sphereCount > RoomTracer::MaxSpheres) {
        finding.place = scene.KeywordPlace("sphere");
        finding.text = SphereWarning(scene);
        findings.push_back(finding);
    }
    return true;
}
