#ifndef GLINTWORK_FRAMEPATH_H
#define GLINTWORK_FRAMEPATH_H

namespace glintwork {

// How a frame is made. Both give the same picture, byte for byte.
enum class FramePath {
    // One thread, every point plotted and drawn one glBegin/glEnd pair at a
    // time, the straightforward way.
    Reference,
    // Bands of rows traced on several threads and drawn as vertex arrays as
    // soon as each band is done, covered points left out.
    Fast,
};

// Milliseconds spent in each stage of one frame.
struct FrameTimes {
    double trace = 0.0;  // tracing (for the fast path: from the first band's start to the last band's end)
    double draw = 0.0;   // handing points to GL and waiting for them to be drawn
    double grab = 0.0;
    double save = 0.0;
    double frame = 0.0;        // the whole frame
    unsigned long points = 0;  // points handed to GL
};

}  // namespace glintwork

#endif
