#ifndef GLINTWORK_POINTLIST_H
#define GLINTWORK_POINTLIST_H

#include <vector>

// One plotted hit: the colour exactly as it goes to glColor3f and the position
// exactly as it goes to glVertex3f.
struct PlotRecord {
    float red;
    float green;
    float blue;
    float x;
    float y;
    float z;
};

// The points of one traced frame, in the order they are to be drawn. The order
// matters: between points of equal depth on one pixel the later one wins.
static_assert(sizeof(PlotRecord) == 6 * sizeof(float), "plot records are drawn as tightly packed float arrays");

using PointList = std::vector<PlotRecord>;

#endif
