#pragma once

#include <QCursor>
#include <QImage>
#include <QPen>
#include <array>

// The view's display resources, made once with the view.

// Cursor 312: a 32 x 32 crosshair with its hot spot at (9, 9): black arms with
// a white outline and a 3 x 3 transparent centre at the hot spot, so the pixel
// under the pointer stays visible.
QCursor CrosshairCursor();
// The two overlay pens, white first and black second, both at alpha 96 with
// dashes of 4 pixels; the black pen's dashes fill the white pen's gaps, so each
// shape drawn with both is a line of alternating white and black dashes.
std::array<QPen, 2> OverlayPens();
// The square drawn at each end of a line: 7 x 7, white with a one-pixel black
// border.
QImage HandleBitmap();
// The grid's dashed line of the given length as an image: what the two
// overlay pens draw along a straight line, 4 pixels white, 4 pixels black,
// both at alpha 96. The grid draws its lines from these strips: the same
// picture as stroking dashed pens, at a fraction of the cost.
QImage DashStrip(int length, Qt::Orientation orientation);
