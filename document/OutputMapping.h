#pragma once

#include "CUndoItem.h"

// Output pixel (X, Y), whose centre is at (X, Y), shows the source at
//   xs = originX + X * dxByX + Y * dxByY,   ys = originY + X * dyByX + Y * dyByY
// in source pixel coordinates (pixel centres on whole numbers, (0, 0) the
// top-left pixel of the source as stored, before any mirroring).
//
// It is the design's pixel model folded into one affine map: with c the
// snapped trim corner and s the scale factors, q = (X / sx + c.x, Y / sy + c.y)
// in view space is turned by -theta about the image centre and moved into the
// mirrored, bordered image (pixel (u, v) of the w + 2 by h + 2 bordered image
// has its centre at (u - (w + 1) / 2, v - (h + 1) / 2)). The one-pixel
// transparent border and the mirroring are then undone here rather than built
// as an image: bordered column u is source column u - 1, or w - u when
// mirrored, and everything outside the source is transparent black.
struct OutputMapping {
    double originX = 0.0, dxByX = 1.0, dxByY = 0.0;
    double originY = 0.0, dyByX = 0.0, dyByY = 1.0;
};

// The mapping for the frozen parameters (flips, angle, trim corner, scale) of a
// state whose image is sourceWidth x sourceHeight.
OutputMapping MakeOutputMapping(const CUndoItem& params, int sourceWidth, int sourceHeight);

// The angle the world transform turns by: negative angles become their
// positive equivalent (-30 is drawn as a turn of 330).
float DrawingAngle(float angle);
