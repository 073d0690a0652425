#pragma once

#include "CBitmapHolder.h"

// A mirrored copy of an image with a one-pixel transparent border, built once:
// what the view draws, turned by the state's angle. The border lets the
// image's edges blend smoothly into the background when drawn turned.
class CCachedBitmap {
public:
    CCachedBitmap(HolderPtr source, int flipX, int flipY)
        : m_source(std::move(source)), m_flipX(flipX), m_flipY(flipY) {}

    // Fills m_result; false when memory is short.
    bool Build();

    const HolderPtr& Source() const { return m_source; }
    int FlipX() const { return m_flipX; }
    int FlipY() const { return m_flipY; }
    const HolderPtr& Result() const { return m_result; }
    static constexpr int kMargin = 1;

private:
    HolderPtr m_source;
    int m_flipX;
    int m_flipY;
    HolderPtr m_result;
};
