#pragma once

#include <cmath>

// Resolutions stored as dots per metre (PNG, BMP, and every QImage) come back
// as 299.9994 for 300 dpi; a value that close to a whole number of dots per
// inch is taken as that number.
inline float DotsPerInchFromDotsPerMetre(double dotsPerMetre) {
    const double dpi = dotsPerMetre * 0.0254;
    const double whole = std::round(dpi);
    return float(std::abs(dpi - whole) < 0.02 ? whole : dpi);
}
