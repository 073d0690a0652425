#pragma once

#include <QImage>

// True when at least one pixel has an alpha value below 255. Walks each row in
// blocks of 32 pixels (128 bytes), combining a block with bitwise AND so the
// inner loop has no branch, and stops at the first block whose combined alpha
// is not 255. Images without an alpha channel are opaque by definition.
bool AnyPixelTransparent(const QImage& image);
