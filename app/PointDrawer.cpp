#include "PointDrawer.h"

#include <GL/gl.h>

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
