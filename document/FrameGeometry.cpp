#include "FrameGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "CUndoItem.h"

namespace {
bool NearerToQuarterTurn(float angle) {
    return (angle > 45.0f && angle < 135.0f) || (angle > -135.0f && angle < -45.0f);
}

float SnapCoordinate(float value, int span) {
    return (span % 2 != 0) ? std::ceil(value + 0.5f) - 0.5f : std::ceil(value);
}

struct Vec {
    float x, y;
};

// Where the segment e0-e1 crosses the segment f0-f1, if it does.
bool Crossing(Vec e0, Vec e1, Vec f0, Vec f1, Vec* at) {
    const Vec r{e1.x - e0.x, e1.y - e0.y};
    const Vec s{f1.x - f0.x, f1.y - f0.y};
    const Vec w{f0.x - e0.x, f0.y - e0.y};
    const float den = r.x * s.y - s.x * r.y;
    if (den == 0.0f) return false;
    const float t = (w.x * s.y - w.y * s.x) / den;
    const float u = (w.x * r.y - w.y * r.x) / den;
    if (t < 0.0f || t > 1.0f || u < 0.0f || u > 1.0f) return false;
    *at = Vec{e0.x + t * r.x, e0.y + t * r.y};
    return true;
}
}  // namespace

PointF SnapTrimCorner(float x, float y, int imageWidth, int imageHeight, float angle) {
    int a = imageWidth - 1;
    int b = imageHeight - 1;
    if (NearerToQuarterTurn(angle)) std::swap(a, b);
    return {SnapCoordinate(x, a), SnapCoordinate(y, b)};
}

PointF SnapTrimCorner(float x, float y, const CUndoItem* state) {
    if (!state || !state->m_image) return {x, y};
    return SnapTrimCorner(x, y, state->m_image->Width(), state->m_image->Height(),
                          state->m_angle);
}

FrameRect DefaultTrimFrame(int imageWidth, int imageHeight, float a) {
    float ws = float(imageWidth - 1);
    float hs = float(imageHeight - 1);
    // Bring the angle into -45 ... 45; a quarter turn exchanges the sides.
    if (a <= -135.0f) {
        a += 180.0f;
    } else if (a < -45.0f) {
        a += 90.0f;
        std::swap(ws, hs);
    } else if (a > 45.0f && a < 135.0f) {
        a -= 90.0f;
        std::swap(ws, hs);
    } else if (a >= 135.0f) {
        a -= 180.0f;
    }
    const float d = a * 3.1415927f / 180.0f;
    const float hw = ws / 2.0f;
    const float hh = hs / 2.0f;
    float x = hw;
    float y = hh;
    if (std::fabs(d) >= 1.1920929e-7f) {
        const float g = std::atan2(hs, ws);
        const float r = std::sqrt(ws * ws + hs * hs) / 2.0f;
        // Three corners of the box turned by -d about its centre; P1-P2 and P4-P1
        // are two adjacent edges of the turned box.
        const Vec p1{-r * std::cos(g + d), r * std::sin(g + d)};
        const Vec p2{r * std::cos(g - d), r * std::sin(g - d)};
        const Vec p4{-r * std::cos(g - d), -r * std::sin(g - d)};
        // The two diagonals of the upright box.
        const Vec d1a{-hw, -hh}, d1b{hw, hh};
        const Vec d2a{-hw, hh}, d2b{hw, -hh};
        Vec q{};
        if (Crossing(p1, p2, d1a, d1b, &q) || Crossing(p1, p2, d2a, d2b, &q)) {
            if (q.x * q.x + q.y * q.y > hw * hw + hh * hh) q = Vec{hw, hh};
            x = std::fabs(q.x);
            y = std::fabs(q.y);
        }
        for (const auto& [f0, f1] : {std::pair{d1a, d1b}, std::pair{d2a, d2b}}) {
            if (Crossing(p4, p1, f0, f1, &q) && q.x * q.x + q.y * q.y <= x * x + y * y) {
                x = std::fabs(q.x);
                y = std::fabs(q.y);
            }
        }
    }
    return {-x, -y, x, y};
}

// trunc(value) as an int, saturated at the ends of the int range (NaN gives
// 0): a typed size or a frame drawn far out can make the double leave it, and
// the size check then refuses the result.
int SaturatedInt(double value) {
    if (!(value == value)) return 0;
    return int(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

TrimSize ComputeTrimSize(const FrameRect& frame, int imageWidth, int imageHeight, float angle) {
    const PointF c = SnapTrimCorner(frame.left, frame.top, imageWidth, imageHeight, angle);
    // Truncated first, then one added: a frame narrower than a pixel (a single
    // point, or edges between two pixel centres) has its right edge before the
    // snapped corner, and still trims one pixel, never none.
    return {SaturatedInt(SaturatedInt(double(frame.right - c.x)) + 1.0),
            SaturatedInt(SaturatedInt(double(frame.bottom - c.y)) + 1.0)};
}

TrimSize ComputeTrimSize(const FrameRect& frame, const CUndoItem& state) {
    if (!state.m_image) return {};
    return ComputeTrimSize(frame, state.m_image->Width(), state.m_image->Height(),
                           state.m_angle);
}

int ResultFromFactor(int trimmed, double factor) { return SaturatedInt(trimmed * factor); }

double FactorForTypedSize(int typed, int trimmed) {
    return trimmed >= 2 ? (double(typed) - 1.0) / (double(trimmed) - 1.0) : 0.0;
}

int KeepRatioSize(int trimmed, double factor) {
    return SaturatedInt((double(trimmed) - 1.0) * factor + 1.0);
}

ResultSizeCheck CheckResultSize(int resultWidth, int resultHeight, double scaleX, double scaleY,
                                int trimWidth, int trimHeight) {
    if (resultWidth < 1 || resultHeight < 1 || float(scaleX) <= 0.0f || float(scaleY) <= 0.0f)
        return ResultSizeCheck::Impossible;
    if (resultWidth < trimWidth || resultHeight < trimHeight)
        return ResultSizeCheck::SmallerThanTrimmed;
    return ResultSizeCheck::Ok;
}
