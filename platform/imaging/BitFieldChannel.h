#pragma once

#include <bit>
#include <cstdint>

// One colour channel of a bit-field pixel (16- and 32-bit BMP files and
// clipboard DIBs): the run of bits its mask selects, scaled to the full range
// 0-255 as v x 255 / max, rounded. So a channel at full intensity reads 255
// whatever its width: a 5-bit 31 gives 255, not the 248 of a plain shift, and
// a 10-bit 1023 gives 255 as well.
struct BitFieldChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static BitFieldChannel FromMask(std::uint32_t mask) {
        BitFieldChannel c;
        c.mask = mask;
        if (mask == 0) return c;
        c.shift = std::countr_zero(mask);
        c.bits = std::popcount(mask);
        return c;
    }

    // No mask at all, or one contiguous run of bits.
    bool Valid() const { return mask == 0 || std::popcount((mask >> shift) + 1) == 1; }
    bool Present() const { return mask != 0; }
    // The largest value the channel can hold (0 without a mask).
    std::uint32_t Max() const {
        return bits == 0 ? 0 : std::uint32_t((std::uint64_t(1) << bits) - 1);
    }

    // A channel value scaled to 0-255, rounded.
    static std::uint8_t Scale(std::uint32_t value, std::uint32_t max) {
        if (max == 0) return 0;
        return std::uint8_t((std::uint64_t(value) * 255 + max / 2) / max);
    }
    // The channel of a pixel, scaled; 0 without a mask.
    std::uint8_t Read(std::uint32_t pixel) const { return Scale((pixel & mask) >> shift, Max()); }
};
