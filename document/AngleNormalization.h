#pragma once

#include <cmath>

// Brings an angle in degrees into -180 ... 180, keeping both ends: -180 stays
// -180, 180 stays 180, 540 becomes 180, -190 becomes 170. Whole turns are
// removed first (truncating towards zero), then one turn at most. The whole
// turns come off exactly (fmod in double), so that even a typed 1e12 lands in
// the range; a value that is not finite is no angle and gives 0.
inline float NormalizeAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    if (a > 360.0f || a < -360.0f) a = float(std::fmod(double(a), 360.0));
    if (a > 180.0f)
        a -= 360.0f;
    else if (a < -180.0f)
        a += 360.0f;
    return a;
}
