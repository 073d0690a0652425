#pragma once

#include <cstdint>

// The largest image the program accepts, checked against the header before any
// pixel memory is allocated. 2^29 pixels are 2 GiB in the working format: a
// 20000 x 20000 scan (400 megapixels) fits with room to spare, while a header
// claiming, say, 100000 x 100000 is refused instead of exhausting memory.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 29;
// Each side must also fit the int sizes and 32-bit strides used throughout.
inline constexpr std::int64_t kMaxImageSide = 1 << 20;

inline bool ImageSizeAcceptable(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// The largest file that can hold an image within that limit: uncompressed
// 16-bit RGBA (8 bytes a pixel) of the largest size, with room for metadata
// and previews. A larger file is refused before it is read.
inline constexpr std::int64_t kMaxImageFileBytes = kMaxImagePixels * 8 + (std::int64_t{256} << 20);
