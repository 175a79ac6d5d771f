#include "trace/tracers/RoomSetUp.h"

namespace glintwork {

RoomSetUp::RoomSetUp()
{
    planeNormals[0] = Vec3(1.0, 0.0, 0.0);
    planeNormals[1] = Vec3(-1.0, 0.0, 0.0);
    planeNormals[2] = Vec3(0.0, 0.0, 1.0);
    planeNormals[3] = Vec3(0.0, 1.0, 0.0);
    planeNormals[4] = Vec3(0.0, -1.0, 0.0);
}

void RoomSetUp::SetUpPixel(unsigned row, unsigned column, Vec3& a, Vec3& b, Vec3& c) const
{
    Vec3 axisX(1.0, 0.0, 0.0);
    Vec3 axisY(0.0, 1.0, 0.0);
    Vec3 axisZ(0.0, 0.0, -1.0);

    axisZ.ScaleFrom(axisZ, nearZ);
    c = axisZ;

    // Samples sit on pixel edges: column 0 is exactly `left`.
    const double pixelX = static_cast<double>(2 * column) / static_cast<double>(columns) * right + left;
    axisX.ScaleFrom(axisX, pixelX);
    a = axisX;

    const double pixelY = static_cast<double>(2 * row) / static_cast<double>(rows) * top + bottom;
    axisY.ScaleFrom(axisY, pixelY);
    b = axisY;
}

void RoomSetUp::FaceBounds(double low[3], double high[3]) const
{
    low[0] = planePoints[0].x;
    high[0] = planePoints[1].x;
    low[1] = planePoints[3].y;
    high[1] = planePoints[4].y;
    low[2] = planePoints[2].z;
    high[2] = nearZ;
}

}  // namespace glintwork
