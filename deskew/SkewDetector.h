#pragma once

#include <QImage>

// Measures how far the content of a page stands turned: lines of text, rules
// of tables and forms, edges of pictures and of the page on a bed. Works on
// pages from 100 to 600 dpi, on white or grey beds and with dark scanner
// borders, for skews up to kSkewSearchRange degrees either way.
//
// Angles follow the program's convention: degrees, positive = clockwise on the
// screen. The image is measured as the editor displays it: mirrored by the
// flips, then turned by baseAngle. The answer is the correction to add to that
// angle so that the content stands upright, like the correction of a drawn line.

inline constexpr float kSkewSearchRange = 20.0f;
// Below this confidence there was nothing to measure (a blank page, a
// photograph without lines, noise) or the lines disagree: no angle is proposed.
inline constexpr float kSkewMinimumConfidence = 0.5f;

struct SkewView {
    bool flipX = false;
    bool flipY = false;
    float baseAngle = 0.0f;
};

struct SkewEstimate {
    float correction = 0.0f;  // degrees, to add to the displayed angle
    float confidence = 0.0f;  // 0 (nothing found) ... 1 (clear lines)

    bool Found() const { return confidence >= kSkewMinimumConfidence; }
};

// image: the working format (Format_ARGB32); other formats are converted.
// An empty image gives confidence 0. Safe to call from any thread.
SkewEstimate DetectSkew(const QImage& image, const SkewView& view = {});
