#include "OutputMapping.h"

#include <cmath>

#include "FrameGeometry.h"

float DrawingAngle(float angle) { return angle < 0.0f ? angle + 360.0f : angle; }

OutputMapping MakeOutputMapping(const CUndoItem& params, int w, int h) {
    const PointF c = SnapTrimCorner(params.m_trimLeft, params.m_trimTop, w, h, params.m_angle);
    const double sx = double(float(params.m_scaleX));
    const double sy = double(float(params.m_scaleY));
    const double theta = double(DrawingAngle(params.m_angle)) * M_PI / 180.0;
    double cosT = std::cos(theta), sinT = std::sin(theta);
    // Exact quarter turns stay exact, so a turn by 90 degrees moves pixel centres
    // onto pixel centres.
    const auto clean = [](double v) { return std::fabs(v) < 1e-12 ? 0.0 : v; };
    cosT = clean(cosT);
    sinT = clean(sinT);

    // View space q -> turned back by -theta -> mirrored source pixel coordinates
    // (bordered u minus the border of one pixel).
    //   q.x = X / sx + c.x,  q.y = Y / sy + c.y
    //   mx =  q.x cos + q.y sin + (w - 1) / 2
    //   my = -q.x sin + q.y cos + (h - 1) / 2
    OutputMapping m;
    const double cx = c.x, cy = c.y;
    double mx0 = cx * cosT + cy * sinT + (w - 1) / 2.0;
    double mxX = cosT / sx, mxY = sinT / sy;
    double my0 = -cx * sinT + cy * cosT + (h - 1) / 2.0;
    double myX = -sinT / sx, myY = cosT / sy;
    if (params.m_flipX) mx0 = (w - 1) - mx0, mxX = -mxX, mxY = -mxY;
    if (params.m_flipY) my0 = (h - 1) - my0, myX = -myX, myY = -myY;
    m.originX = mx0, m.dxByX = mxX, m.dxByY = mxY;
    m.originY = my0, m.dyByX = myX, m.dyByY = myY;
    return m;
}
