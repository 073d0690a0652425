#pragma once

#include <QtGlobal>
#include <cstdint>

#include "MarginColor.h"

// The inner loops of output rendering, for one row span at a time.
//
// Sample positions advance along a row by a constant step in 32.32 fixed
// point, so the rows need no per-pixel floating point for positions.
//
// The general path interpolates premultiplied by alpha, so transparent
// neighbours (the virtual border around the source, or transparent source
// pixels) add no black to an edge; then it composes source-over onto the
// margin colour. The opaque fast path rounds positions to 1/256 pixel and
// uses integer weights (products of the two 8-bit fractions, summing to
// 65536); for opaque neighbours premultiplying changes nothing.

struct SourcePixels {
    const std::uint8_t* bits;  // working format, B G R A
    qsizetype stride;
    int width;
    int height;
};

struct RowWalk {
    std::int64_t x;   // 32.32 fixed-point source position of the span's first pixel
    std::int64_t y;
    std::int64_t dx;  // step per output pixel
    std::int64_t dy;
};

// The general path: any source, any position (far outside included), composed
// onto the margin. bytesPerPixel is 4 (B G R A, margin opacity kept) or 3
// (B G R, margin opaque).
void RenderSpanGeneral(const SourcePixels& source, RowWalk walk, int count, MarginColor margin,
                       int bytesPerPixel, std::uint8_t* out);

// The fast path for an opaque source where every sample's four neighbours are
// inside the source: plain bilinear interpolation, alpha 255. Takes the widest
// vector loop the processor has.
void RenderSpanOpaqueInterior(const SourcePixels& source, RowWalk walk, int count,
                              int bytesPerPixel, std::uint8_t* out);

// The versions of the same loop for AVX2 and AVX-512; false (nothing done)
// when the processor lacks the instructions. All give the portable loop's bits.
bool RenderSpanOpaqueInteriorAvx2(const SourcePixels& source, RowWalk walk, int count,
                                  int bytesPerPixel, std::uint8_t* out);
bool RenderSpanOpaqueInteriorAvx512(const SourcePixels& source, RowWalk walk, int count,
                                    int bytesPerPixel, std::uint8_t* out);

// The portable version of the same, the reference of the vector loops.
void RenderSpanOpaqueInteriorPortable(const SourcePixels& source, RowWalk walk, int count,
                                      int bytesPerPixel, std::uint8_t* out);

// Fills a span with the margin colour (what the output shows where no source
// pixel contributes).
void FillSpanWithMargin(MarginColor margin, int bytesPerPixel, int count, std::uint8_t* out);
