#ifndef GLINTWORK_POINTDRAWER_H
#define GLINTWORK_POINTDRAWER_H

#include "PointList.h"

// Draws a traced point list into the current GL context, one point at a time
// in immediate mode, in list order; the colour is left white afterwards.
void DrawPointsImmediate(const PointList& points);

#endif
