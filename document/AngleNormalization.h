#pragma once

#include <cmath>

// Brings an angle in degrees into -180 ... 180, keeping both ends: -180 stays
// -180, 180 stays 180, 540 becomes 180, -190 becomes 170. Whole turns are
// removed first (truncating towards zero), then one turn at most.
inline float NormalizeAngle(float a) {
    if (a > 360.0f || a < -360.0f) a = a - 360.0f * std::trunc(a / 360.0f);
    if (a > 180.0f)
        a -= 360.0f;
    else if (a < -180.0f)
        a += 360.0f;
    return a;
}
