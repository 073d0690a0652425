#pragma once

#include <cmath>

// How near, in client pixels, the pointer must be to a line end or a frame edge
// to take hold of it.
inline constexpr int kEdgeReach = 3;

// The client position at which the view places a zoomed view-space coordinate
// for hit tests of line ends and frame edges: rounded half away from zero,
// then moved by the scroll position.
inline int ClientPosition(float zoomed, float centre, int scroll) {
    const float s = zoomed >= 0.0f ? 0.5f : -0.5f;
    return int(std::trunc(zoomed + centre + s)) - scroll;
}
