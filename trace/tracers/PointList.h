#ifndef GLINTWORK_POINTLIST_H
#define GLINTWORK_POINTLIST_H

#include <cstddef>
#include <vector>

namespace glintwork {

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

// The list without every point that the next point covers exactly (the same
// position, so the same pixel and depth: with the less-or-equal depth test
// only the later one can show). The fast path draws no covered points, so
// this is what the straightforward path's list is compared with.
inline PointList WithoutCoveredPoints(const PointList& list)
{
    PointList out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool covered = i + 1 < list.size() && list[i].x == list[i + 1].x && list[i].y == list[i + 1].y &&
                             list[i].z == list[i + 1].z;
        if (!covered)
            out.push_back(list[i]);
    }
    return out;
}

}  // namespace glintwork

#endif
