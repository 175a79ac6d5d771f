#ifndef GLINTWORK_VIEWKIND_H
#define GLINTWORK_VIEWKIND_H

namespace glintwork {

// What a frame of the tracer window shows: the room as one picture, the
// room as a side-by-side pair for two eyes 0.002 apart, or the environment
// tracer's view of the room in a mirror ball.
enum class ViewKind { Single, Pair, Environment };

}  // namespace glintwork

#endif
