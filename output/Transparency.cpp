#include "Transparency.h"

#include "platform/imaging/AlphaScan.h"

bool HasTransparency(const QImage& image) { return AnyPixelTransparent(image); }
