#pragma once

// The trim frame's geometry, shared by the view, the renderer and tavlo-cli.
//
// View space: float coordinates in source pixels relative to the image centre,
// in the turned orientation, x to the right and y downwards. The image is drawn
// centred on the origin, so its pixel centres lie on whole numbers for odd sizes
// and on halves for even sizes. The trim frame lives in view space.

struct CUndoItem;

struct PointF {
    float x = 0.0f;
    float y = 0.0f;
};

struct FrameRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

struct TrimSize {
    int width = 0;
    int height = 0;
};

// Moves a point up to the next pixel centre of the turned image: with a the
// image's width - 1 (height - 1 when the angle is nearer to +-90 than to 0 or
// 180), x' = ceil(x + 0.5) - 0.5 for odd a, ceil(x) for even a; y alike with
// the other side. Hence at angle 0 and scale 1 every output pixel centre falls
// on a source pixel centre. Without a state the point comes back unchanged.
PointF SnapTrimCorner(float x, float y, const CUndoItem* state);
PointF SnapTrimCorner(float x, float y, int imageWidth, int imageHeight, float angle);

// The default frame of an image of w x h pixels turned by the angle: in general
// the largest frame of the image's proportions, centred on the image centre,
// that stays inside the turned image; at 0, +-90 and 180 degrees the whole
// image. Computed in single precision, step by step, so that very elongated
// images at negative angles get exactly the frame the editor always gave them.
FrameRect DefaultTrimFrame(int imageWidth, int imageHeight, float angle);

// The trimmed size of a frame: from the snapped top-left corner to the right
// and bottom edges, truncated towards zero, plus one.
TrimSize ComputeTrimSize(const FrameRect& frame, const CUndoItem& state);
TrimSize ComputeTrimSize(const FrameRect& frame, int imageWidth, int imageHeight, float angle);

// trunc(value) as an int, saturated at the ends of the int range; NaN gives 0.
int SaturatedInt(double value);

// A frame change gives the result size trunc(trimmed x factor).
int ResultFromFactor(int trimmed, double factor);
// A typed result size gives the factor that maps the first and last pixel
// centre of the trimmed area onto those of the result: (typed - 1) /
// (trimmed - 1), or 0 when the trimmed size is below 2.
double FactorForTypedSize(int typed, int trimmed);
// The other side under "keep ratio": trunc((trimmed - 1) x factor) + 1.
int KeepRatioSize(int trimmed, double factor);

// The size check before step 4: a result below 1 x 1 or a factor not above 0
// (as floats) is impossible; a result smaller than the trimmed area is
// refused. The output can be enlarged but never reduced.
enum class ResultSizeCheck { Ok, Impossible, SmallerThanTrimmed };
ResultSizeCheck CheckResultSize(int resultWidth, int resultHeight, double scaleX, double scaleY,
                                int trimWidth, int trimHeight);
