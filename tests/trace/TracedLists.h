#ifndef GLINTWORK_TESTS_TRACEDLISTS_H
#define GLINTWORK_TESTS_TRACEDLISTS_H

// Scenes and point-list comparisons shared by the tests of the fast path.

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "trace/PointList.h"
#include "tests/trace/TracerTestScene.h"

inline bool Same(const PlotRecord& a, const PlotRecord& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.x == b.x && a.y == b.y && a.z == b.z;
}

inline bool Equal(const PointList& a, const PointList& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), Same);
}

// Drops every point that the next point covers exactly (same position, so the
// same pixel and depth: with the less-or-equal test only the later can show).
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

inline std::string DefaultScene()
{
    std::ifstream file(GLINTWORK_EXAMPLES_DIR "/scenescript.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Odd sizes, spheres cutting the walls and each other, five spheres, bright
// lights: the corners where a band split or a dropped point would show.
inline std::string AwkwardScene()
{
    return RoomScript("0.3 0.2 0.1  0.9 0.8 0.7  0.6 0.6 0.6  7\n"
                      "0.1 0.2 0.3  0.7 0.8 0.9  0.6 0.6 0.6  3\n"
                      "0.2 0.2 0.2  0.5 0.5 0.5  0.2 0.2 0.2  12\n"
                      "0.2 0.3 0.2  0.6 0.6 0.6  0.9 0.9 0.9  40\n"
                      "0.1 0.1 0.1  0.4 0.4 0.4  0.1 0.1 0.1  1\n") +
           "screen 97 71 raytracedepth -29 "
           "sphere 5  -8 -6 -12 4   -5 -5 -14 3   6 3 -25 6   0 9 -18 2.5   2 -1 -9 1.5 "
           "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20 "
           "           0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
           "           0 0 0.3  0.1 0.1 0.6  0.9 0.9 0.9  60 "
           "           0.2 0.2 0  0.5 0.5 0.1  0.4 0.4 0.4  5 "
           "           0.1 0.1 0.1  0.3 0.3 0.3  1 1 1  100 "
           "light 3  0 8 -15   -6 5 -2   7 -8 -28 "
           "  0.3 0.3 0.3  1.2 1.1 1.0  0.9 0.9 0.9 "
           "  0.1 0.1 0.1  0.4 0.4 0.4  0.3 0.3 0.3 "
           "  0.2 0.1 0.1  1.5 0.5 0.5  2 2 2";
}

#endif
