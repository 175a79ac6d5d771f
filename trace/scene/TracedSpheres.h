#ifndef GLINTWORK_TRACEDSPHERES_H
#define GLINTWORK_TRACEDSPHERES_H

namespace glintwork {

// How many of a scene's spheres are traced: the first this many listed. The
// scene check warns about the rest; the tracers size their sphere tables by it.
constexpr unsigned MaxSpheres = 5;

}  // namespace glintwork

#endif
