#ifndef GLINTWORK_PICTUREWARNINGS_H
#define GLINTWORK_PICTUREWARNINGS_H

#include <vector>

#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

class Scene;

// Why the picture of a scene that can be traced may show nothing, or only
// black: a screen of one row or column, a depth limit at or in front of the
// near plane, no lights, a room without width or height, an eye outside the
// room (or on one of its planes) and every light outside it. Appends one
// warning for each, at the keyword whose values cause it (with no place when
// the file has no such keyword). The scene must have passed the tracers'
// check: 20 plane points and a usable screen.
void AddPictureWarnings(const Scene& scene, std::vector<SceneDiagnostic>& findings);

}  // namespace glintwork

#endif
