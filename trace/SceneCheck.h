#ifndef GLINTWORK_SCENECHECK_H
#define GLINTWORK_SCENECHECK_H

#include <string>

class Scene;

// Whether the tracers can be set up from a scene. They read plane points 0, 9,
// 13 and 17 and five plane materials, need a screen between 1 and 8192 pixels
// each way, and have room for five spheres. Returns false with a one-line
// reason for a scene they cannot trace; a scene with more than five spheres is
// traced with the first five, and `warning` says so.
bool CheckSceneForTracing(const Scene& scene, std::string& reason, std::string& warning);

#endif
