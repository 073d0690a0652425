#pragma once

#include <QImage>

// True when at least one pixel of the result has an alpha value below 255: only
// then does a PNG keep the alpha channel. Block-wise, stopping at the first
// block with a non-opaque pixel.
bool HasTransparency(const QImage& image);
