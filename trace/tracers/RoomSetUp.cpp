#include "trace/tracers/RoomSetUp.h"

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

bool RoomSetUp::InsideRoomFace(const Vec3& point, int k) const
{
    const double xMin = planePoints[0].x;
    const double xMax = planePoints[1].x;
    const double zMin = planePoints[2].z;
    const double zMax = nearZ;
    const double yMin = planePoints[3].y;
    const double yMax = planePoints[4].y;

    // Written as "outside" tests so that a coordinate that is not a number
    // counts as inside. All bounds are inclusive.
    if (k == 0 || k == 1)
        return !(point.z < zMin || point.z > zMax || point.y > yMax || point.y < yMin);
    if (k == 2)
        return !(point.x < xMin || point.x > xMax || point.y > yMax || point.y < yMin);
    return !(point.z < zMin || point.z > zMax || point.x > xMax || point.x < xMin);
}

bool RoomSetUp::BeyondDepth(const Vec3& point) const
{
    return !(depthLimit < point.z);
}
