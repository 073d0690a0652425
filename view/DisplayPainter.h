#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <functional>

#include "MipmapPyramid.h"

// Renders the view's back buffer: the background colour, and on it the
// display bitmap (the current image mirrored, with its transparent one-pixel
// border, or the image itself where it is never turned) turned and scaled
// about its centre.
//
// Geometry, in client coordinates whose pixel centres lie on whole numbers:
// a point p of the bitmap, measured from the centre of its pixel grid, is
// scaled by the zoom, turned by the angle (clockwise on the screen) and moved
// to the origin. Qt's pixels have their centres on halves, hence the half-pixel
// shift below. With that, at zoom 1 and angle 0 an image whose size and the
// canvas differ in parity lands exactly on whole client pixels.
class DisplayPainter {
public:
    // bordered: the display bitmap, or null when there is none. opaqueOrClear:
    // the caller knows each pixel to be opaque or transparent black.
    void Render(QImage& target, const QColor& background, const QImage* bordered, double zoom,
                float angle, QPointF origin, bool opaqueOrClear = false);

    // From now on a reduced copy that is not built yet is built on a worker
    // thread, and the finest ready one is drawn meanwhile; built() is called on
    // that thread when the copies are there (the caller then renders again).
    void BuildLevelsInBackground(std::function<void()> built) { m_levelsBuilt = std::move(built); }

    // The mip level the last render used (for tests and the benchmark).
    int LastLevel() const { return m_lastLevel; }

private:
    MipmapPyramid m_pyramid;
    std::function<void()> m_levelsBuilt;
    int m_lastLevel = -1;
};
