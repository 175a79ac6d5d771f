#ifndef GLINTWORK_TRACERTESTSCENE_H
#define GLINTWORK_TRACERTESTSCENE_H

#include <sstream>
#include <string>

#include "trace/Scene.h"
#include "trace/Vec3.h"

// A room x, y in [-10, 10], z from -30 to 10 (20 plane points in the order the
// tracers read them), plus whatever the caller appends. Plane materials are
// ambient only unless the caller says otherwise.
inline std::string RoomScript(const std::string& planeMaterials = "")
{
    std::string materials = planeMaterials;
    if (materials.empty())
        for (int k = 0; k < 5; ++k)
            materials += "0.5 0.5 0.5  0 0 0  0 0 0  1\n";
    return "plane 20\n"
           "-10 -10 10  -10 10 10  -10 10 -30  -10 -10 -30\n"
           "10 -10 10  10 10 10  10 10 -30  10 -10 -30\n"
           "-10 -10 -30  10 -10 -30  10 10 -30  -10 10 -30\n"
           "-10 10 10  10 10 10  10 10 -30  -10 10 -30\n"
           "-10 -10 10  10 -10 10  10 -10 -30  -10 -10 -30\n" +
           materials;
}

inline void ReadScene(Scene& scene, const std::string& text)
{
    std::istringstream in(text);
    scene.ReadFrom(in);
}

// Sets a tracer up from a script the way the window does.
template <typename Tracer> void SetUpTracer(Tracer& tracer, const std::string& text)
{
    Scene scene;
    ReadScene(scene, text);
    const float aspect = static_cast<float>(scene.screenWidth) / static_cast<float>(scene.screenHeight);
    tracer.SetUpView(scene, 100.0f, aspect, 0.01f);
    tracer.SetRoom(scene);
    tracer.LoadScene(scene);
}

// The eye at the origin and the given unit direction as the pixel's primary
// ray, with an empty point list: ready to offer the ray to one object.
template <typename Tracer> void Aim(Tracer& t, const Vec3& direction)
{
    t.SetEye(Vec3());
    t.rayDir = direction;
    t.primaryDir = direction;
    t.Points().clear();
}

#endif
