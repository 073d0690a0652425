#pragma once

#include <optional>

#include "document/CBitmapHolder.h"

class CTavloDoc;

// What saving a rendering needs besides its source: whether the result has
// any pixel that is not fully opaque (a transparent result is saved as PNG
// with its alpha channel), and in that case the 32-bit result itself. Every
// opaque result is rendered again in 24 bits by the writer, so the 32-bit
// rendering is made only when the source or the margin can give transparency
// at all, and kept only when some pixel is in fact transparent.
struct SaveableResult {
    HolderPtr result;  // the 32-bit result when transparent, else none
    bool transparent = false;
};

// None when the document's output parameters give no rendering of the source
// or memory is short.
std::optional<SaveableResult> RenderResultForSaving(CTavloDoc& document, const HolderPtr& source);
