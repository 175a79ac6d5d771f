#ifndef GLINTWORK_SCENECHECK_H
#define GLINTWORK_SCENECHECK_H

#include <string>
#include <vector>

#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

class Scene;

// Whether the tracers can be set up from a scene. They read plane points 0, 9,
// 13 and 17 and five plane materials, need a screen between 1 and 8192 pixels
// each way, and have room for five spheres. Returns false with a one-line
// reason for a scene they cannot trace; a scene with more than five spheres is
// traced with the first five, and `warning` says so.
bool CheckSceneForTracing(const Scene& scene, std::string& reason, std::string& warning);

// The same check told as the reader tells what it found: appends an error
// for a scene the tracers cannot set up, placed at the keyword that gave too
// little or, when reading stopped before any such keyword, where it stopped
// (kind AfterStop: it says what is missing, the reader's warning there says
// why; at 1:1, about the whole file, when the file has no such keyword);
// warnings about a picture that would show nothing (AddPictureWarnings); and
// warnings at "plane" when point 13's y differs from its z (the ceiling's
// height) and at "sphere" when spheres are left out.
bool CheckSceneForTracing(const Scene& scene, std::vector<SceneDiagnostic>& findings);

}  // namespace glintwork

#endif
