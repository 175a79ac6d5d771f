#include "app/PointDrawer.h"

#include <GL/gl.h>

#include <cstddef>

namespace glintwork {

void DrawPointsImmediate(const PointList& points)
{
    for (const PlotRecord& p : points) {
        glColor3f(p.red, p.green, p.blue);
        glPushMatrix();
        glBegin(GL_POINTS);
        glVertex3f(p.x, p.y, p.z);
        glEnd();
        glPopMatrix();
        glColor3f(1.0f, 1.0f, 1.0f);
    }
}

void DrawPointsArrays(const PointList& points)
{
    if (points.empty())
        return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColorPointer(3, GL_FLOAT, sizeof(PlotRecord), &points[0].red);
    glVertexPointer(3, GL_FLOAT, sizeof(PlotRecord), &points[0].x);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points.size()));
    glPopClientAttrib();
    // The colour after an array draw is undefined; leave it as the
    // immediate form does.
    glColor3f(1.0f, 1.0f, 1.0f);
}

}  // namespace glintwork
