// The scene script reader fed with arbitrary text. Beyond "no crash, no leak,
// no hang, no huge allocation", every run checks that the lists the tracers
// index have the lengths their counts promise, and that every message has a
// place and fits on one line.
#include "trace/scene/Scene.h"
#include "trace/scene/SceneCheck.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace glintwork {

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

}  // namespace

}  // namespace glintwork

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace glintwork;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Scene scene;
    Scene::Status status = scene.ReadFrom(in);
    Check(status == Scene::Status::Read || status == Scene::Status::Unusable, "a stream is never missing");
    std::vector<SceneDiagnostic> findings = scene.Diagnostics();
    Check(findings.size() <= size, "at most a message per byte");
    if (status == Scene::Status::Read)
        CheckSceneForTracing(scene, findings);
    for (const SceneDiagnostic& d : findings) {
        Check(!d.text.empty() && d.text.find('\n') == std::string::npos && d.text.find('\r') == std::string::npos,
              "a message is one line");
        // A warning about a keyword the file lacks has no place to point at,
        // and says so.
        Check((d.place.line >= 1 && d.place.column >= 1) ||
                  (d.severity == SceneDiagnostic::Severity::Warning &&
                   d.text.find("; the file has no \"") != std::string::npos),
              "a message has a place, or names the keyword the file lacks");
    }
    const Scene::Ending& end = scene.ReadingEnd();
    Check(!end.stopped || (end.place.line >= 1 && end.place.column >= 1 && !end.reason.empty()),
          "a stop has a place and a reason");
    if (status == Scene::Status::Unusable) {
        Check(!scene.Error().empty() && scene.Error().find('\n') == std::string::npos,
              "a refusal says why, on one line");
        return 0;
    }
    const size_t spheres = scene.sphereCount, lights = scene.lightCount;
    const size_t points = scene.planePointCount, planes = scene.PlaneCount();
    Check(scene.sphereCentres.size() == 3 * spheres && scene.sphereRadii.size() == spheres &&
              scene.sphereMaterials.size() == 9 * spheres && scene.sphereExponents.size() == spheres,
          "sphere lists match the sphere count");
    Check(scene.lightPositions.size() == 3 * lights && scene.lightColours.size() == 9 * lights,
          "light lists match the light count");
    Check(scene.planePoints.size() == 3 * points && scene.planeMaterials.size() == 9 * planes &&
              scene.planeExponents.size() == planes,
          "plane lists match the point count");
    return 0;
}
