#include "trace/SceneCheck.h"

#include "trace/RoomTracer.h"
#include "trace/Scene.h"

namespace {
constexpr unsigned MaxScreenSide = 8192;  // keeps a frame under 2 GB resident (README, Limits)
}

bool CheckSceneForTracing(const Scene& scene, std::string& reason, std::string& warning)
{
    reason.clear();
    warning.clear();
    if (scene.planePointCount < 20) {
        reason = "the scene has " + std::to_string(scene.planePointCount) +
                 " plane points; the room needs at least 20 (five planes)";
        return false;
    }
    if (scene.screenWidth == 0 || scene.screenHeight == 0 || scene.screenWidth > MaxScreenSide ||
        scene.screenHeight > MaxScreenSide) {
        reason = "the screen size " + std::to_string(scene.screenWidth) + " x " + std::to_string(scene.screenHeight) +
                 " is not usable; each side must be between 1 and " + std::to_string(MaxScreenSide);
        return false;
    }
    if (scene.sphereCount > RoomTracer::MaxSpheres)
        warning = "the scene has " + std::to_string(scene.sphereCount) + " spheres; only the first " +
                  std::to_string(RoomTracer::MaxSpheres) + " are traced";
    return true;
}
