#pragma once

#include <vector>

#include "GreyReduction.h"

// The places where ink meets paper going down a column: the tops and bottoms
// of strokes, rules and picture edges. Lines of text put their points on a few
// straight lines (the tops of the letters and the baseline), which is what the
// projection search looks for.
//
// Coordinates: reduced pixels, relative to the reduced image's centre, x to the
// right and y downwards, with the flips of the displayed image applied (a flip
// negates x or y), so that the points stand as the image is shown before it is
// turned.
struct EdgePoints {
    std::vector<float> x;
    std::vector<float> y;
    float radius = 0.0f;  // no point lies further than this from the centre

    std::size_t Size() const { return x.size(); }
};

// Ink is a pixel clearly darker than the mean of its neighbourhood, so a grey
// scanner bed, shading and JPEG noise are paper. Dark regions connected to the
// image's edge (the scanner's lid or a black border) are left out with a margin,
// because their edges follow the scanner rather than the page.
// At most maxPoints points are kept, evenly picked.
EdgePoints FindEdgePoints(const GreyImage& grey, bool flipX, bool flipY, std::size_t maxPoints);
