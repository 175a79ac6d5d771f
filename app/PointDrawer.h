#ifndef GLINTWORK_POINTDRAWER_H
#define GLINTWORK_POINTDRAWER_H

#include "trace/tracers/PointList.h"

namespace glintwork {

// Draw a traced point list into the current GL context, in list order. Both
// leave the current colour white. The immediate form issues one glBegin/glEnd
// pair per point; the array form hands the whole list over in one call and
// gives the same pixels.
void DrawPointsImmediate(const PointList& points);
void DrawPointsArrays(const PointList& points);

}  // namespace glintwork

#endif
