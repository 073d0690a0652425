#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

// A reduced grey copy of an image: each pixel the mean luminance of a
// factor x factor block of the source (blocks at the right and bottom edge may
// be smaller), transparent pixels taken as lying on white paper. Averaging
// rather than picking one pixel per block keeps a one-pixel rule or stroke of a
// 600 dpi scan visible as a grey line.
struct GreyImage {
    int width = 0;
    int height = 0;
    int factor = 1;               // source pixels per reduced pixel, in each direction
    std::vector<uint8_t> pixels;  // rows top-down, stride = width

    uint8_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// The factor that brings the longer side to at most maxLongSide pixels.
int ReductionFactor(int width, int height, int maxLongSide);

// image: Format_ARGB32 (the working format); anything else is converted first.
GreyImage ReduceToGrey(const QImage& image, int factor);
