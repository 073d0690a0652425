#pragma once

#include "CBitmapHolder.h"

// One complete editing state, copied field by field; the image is shared, not
// copied. The fields from m_trimLeft to m_resultHeight belong to the view, which
// writes them in just before every history record and reads them back after
// undo and redo. Trim edges are in view space: source pixels, origin at the
// image centre, in the turned orientation, y downwards.
struct CUndoItem {
    int m_step = 1;         // active guide step, 1-4
    int m_kind = 9;         // history kind of the edit that produced this state
    HolderPtr m_image;      // steps 1-3: the source; step 4: the rendered result
    int m_flipX = 0;        // mirror left-right before rotating
    int m_flipY = 0;        // mirror top-bottom before rotating
    float m_angle = 0.0f;   // degrees, clockwise on screen, -180 <= angle <= 180
    float m_trimLeft = 0.0f;
    float m_trimTop = 0.0f;
    float m_trimRight = 0.0f;
    float m_trimBottom = 0.0f;
    float m_zoom = 100.0f;  // percent
    int m_scrollX = 0;
    int m_scrollY = 0;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    int m_trimWidth = 0;
    int m_trimHeight = 0;
    double m_scaleX = 0.0;  // 1.0 = 100 %
    double m_scaleY = 0.0;
    int m_resultWidth = 0;
    int m_resultHeight = 0;
};

using UndoItemPtr = std::shared_ptr<CUndoItem>;
