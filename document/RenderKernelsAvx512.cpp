// The opaque interior loop with AVX-512 (F and BW): the channel-wise method of
// the AVX2 loop, sixteen output pixels per iteration, with the neighbours of
// nearly level spans taken from whole source rows loaded once. Same
// arithmetic, same bits as the portable loop.

#include "RenderKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#define OBLIMO_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) inline

namespace {
// Rounded 1/256-pixel positions of sixteen consecutive pixels, advanced by
// sixteen pixels at a time in 32-bit lanes: the position plus half a 1/256
// pixel is kept as its whole 1/256 pixels (`eighths`) and the 24 bits below
// them, held in the top of a dword so that the carry out of an addition is
// an unsigned overflow. Exactly the rounding of the 64-bit positions.
struct EighthWalk {
    __m512i eighths, below, stepEighths, stepBelow;
};

OBLIMO_AVX512 EighthWalk StartEighths(std::int64_t start, std::int64_t step) {
    alignas(64) std::int32_t eighths[16], below[16];
    for (int k = 0; k < 16; ++k) {
        const std::int64_t p = start + k * step + (std::int64_t(1) << 23);
        eighths[k] = std::int32_t(p >> 24);
        below[k] = std::int32_t(std::uint32_t(p & 0xFFFFFF) << 8);
    }
    const std::int64_t s = 16 * step;
    return EighthWalk{_mm512_load_si512(eighths), _mm512_load_si512(below),
                      _mm512_set1_epi32(std::int32_t(s >> 24)),
                      _mm512_set1_epi32(std::int32_t(std::uint32_t(s & 0xFFFFFF) << 8))};
}

OBLIMO_AVX512 void Advance(EighthWalk& walk) {
    walk.below = _mm512_add_epi32(walk.below, walk.stepBelow);
    const __mmask16 carry = _mm512_cmplt_epu32_mask(walk.below, walk.stepBelow);
    walk.eighths = _mm512_add_epi32(walk.eighths, walk.stepEighths);
    walk.eighths = _mm512_mask_sub_epi32(walk.eighths, carry, walk.eighths, _mm512_set1_epi32(-1));
}

// Four 128-bit lanes, each the 8-byte pairs of pixels k and k + 1.
OBLIMO_AVX512 __m512i Lanes(const __m128i* v, int a, int b, int c, int d) {
    __m512i r = _mm512_castsi128_si512(_mm_unpacklo_epi64(v[a], v[a + 1]));
    r = _mm512_inserti32x4(r, _mm_unpacklo_epi64(v[b], v[b + 1]), 1);
    r = _mm512_inserti32x4(r, _mm_unpacklo_epi64(v[c], v[c + 1]), 2);
    return _mm512_inserti32x4(r, _mm_unpacklo_epi64(v[d], v[d + 1]), 3);
}

OBLIMO_AVX512 __m512i EvenDwords(__m512i a, __m512i b) {
    return _mm512_castps_si512(
        _mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0x88));
}

OBLIMO_AVX512 __m512i OddDwords(__m512i a, __m512i b) {
    return _mm512_castps_si512(
        _mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0xDD));
}

OBLIMO_AVX512 __m512i Horizontal(__m512i left, __m512i right, __m512i wx) {
    return _mm512_add_epi16(_mm512_slli_epi16(left, 8),
                            _mm512_mullo_epi16(_mm512_sub_epi16(right, left), wx));
}

// The vertical step plus the rounding half; the result is in the high bytes.
OBLIMO_AVX512 __m512i Vertical(__m512i top, __m512i bottom, __m512i fy8) {
    const __m512i v = _mm512_add_epi16(_mm512_sub_epi16(top, _mm512_mulhi_epu16(top, fy8)),
                                       _mm512_mulhi_epu16(bottom, fy8));
    return _mm512_add_epi16(v, _mm512_set1_epi16(128));
}
// The four neighbours of sixteen samples whose source pixels lie close
// together (small turns, no strong reduction): rather than 32 separate 8-byte
// loads, each of the `Rows` source rows under the samples is loaded once, 32
// pixels wide from column `left`, and a two-register dword permute picks
// every lane's left and right neighbour out of it; masks then choose each
// lane's row. Lane rows are `top` + 0 ... Rows - 2 (the upper neighbours), so
// the lower neighbours come from `top` + 1 ... Rows - 1. Rows past `lastRow`
// are not read; the caller makes sure that all 32 columns from `left` and the
// rows up to `lastRow` are inside the source.
template <int Rows>
OBLIMO_AVX512 void WindowNeighbours(const std::uint8_t* bits, qsizetype stride, __m512i ex,
                                    __m512i ey, std::int64_t left, std::int64_t top,
                                    std::int64_t lastRow, __m512i* upperLeft, __m512i* upperRight,
                                    __m512i* lowerLeft, __m512i* lowerRight) {
    const __m512i column = _mm512_sub_epi32(_mm512_srli_epi32(ex, 8), _mm512_set1_epi32(int(left)));
    const __m512i columnRight = _mm512_add_epi32(column, _mm512_set1_epi32(1));
    const __m512i row = _mm512_sub_epi32(_mm512_srli_epi32(ey, 8), _mm512_set1_epi32(int(top)));
    __m512i l[Rows], r[Rows];
    for (int k = 0; k < Rows; ++k) {
        const std::uint8_t* p = bits + std::min(top + k, lastRow) * stride + left * 4;
        const __m512i a = _mm512_loadu_si512(p), b = _mm512_loadu_si512(p + 64);
        l[k] = _mm512_permutex2var_epi32(a, column, b);
        r[k] = _mm512_permutex2var_epi32(a, columnRight, b);
    }
    __m512i ul = l[0], ur = r[0], ll = l[1], lr = r[1];
    for (int k = 1; k < Rows - 1; ++k) {
        const __mmask16 on = _mm512_cmpeq_epi32_mask(row, _mm512_set1_epi32(k));
        ul = _mm512_mask_blend_epi32(on, ul, l[k]);
        ur = _mm512_mask_blend_epi32(on, ur, r[k]);
        ll = _mm512_mask_blend_epi32(on, ll, l[k + 1]);
        lr = _mm512_mask_blend_epi32(on, lr, r[k + 1]);
    }
    *upperLeft = ul, *upperRight = ur, *lowerLeft = ll, *lowerRight = lr;
}

// The same four registers from one pair of 8-byte loads per sample, for any
// spread of positions.
OBLIMO_AVX512 void GatheredNeighbours(const std::uint8_t* bits, qsizetype stride, __m512i ex,
                                      __m512i ey, __m512i* upperLeft, __m512i* upperRight,
                                      __m512i* lowerLeft, __m512i* lowerRight) {
    // Pixel index of the upper-left neighbour (fits 32 bits: images are limited
    // to 2^29 pixels).
    const __m512i index = _mm512_add_epi32(
        _mm512_mullo_epi32(_mm512_srli_epi32(ey, 8), _mm512_set1_epi32(int(stride / 4))),
        _mm512_srli_epi32(ex, 8));
    alignas(64) std::int32_t offsets[16];
    _mm512_store_si512(offsets, index);
    __m128i upper[16], lower[16];
    for (int k = 0; k < 16; ++k) {
        const std::uint8_t* p = bits + qsizetype(offsets[k]) * 4;
        upper[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        lower[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride));
    }
    // Lanes of pairs (0 1 | 4 5 | 8 9 | 12 13) and (2 3 | 6 7 | ...); their
    // even dwords are the left neighbours in order, the odd ones the right.
    const __m512i ua = Lanes(upper, 0, 4, 8, 12), ub = Lanes(upper, 2, 6, 10, 14);
    const __m512i la = Lanes(lower, 0, 4, 8, 12), lb = Lanes(lower, 2, 6, 10, 14);
    *upperLeft = EvenDwords(ua, ub), *upperRight = OddDwords(ua, ub);
    *lowerLeft = EvenDwords(la, lb), *lowerRight = OddDwords(la, lb);
}

// Source column or row of a 32.32 position once rounded to 1/256 pixel.
inline std::int64_t Whole(std::int64_t position) {
    return (position + (std::int64_t(1) << 23)) >> 32;
}
// The loop, for spans whose sixteen samples reach over at most Rows - 1
// upper rows.
template <int Rows>
OBLIMO_AVX512 void SpanLoop(const SourcePixels& source, RowWalk walk, int count, int bytesPerPixel,
                            std::uint8_t* out) {
    const std::uint8_t* bits = source.bits;
    const qsizetype stride = source.stride;
    const __m512i evenBytes = _mm512_set1_epi32(0x00FF00FF);
    const __m512i compact = _mm512_broadcast_i32x4(
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    // Each dword's fraction byte spread to both of its words, as the weight
    // fx and as fy * 256.
    const __m512i fractionWords = _mm512_broadcast_i32x4(
        _mm_setr_epi8(0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1));
    const __m512i fractionHighBytes = _mm512_broadcast_i32x4(
        _mm_setr_epi8(-1, 0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12));
    const __m512i closeUp = _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0, 0, 0, 0);
    const __m512i highBytes = _mm512_set1_epi32(int(0xFF00FF00u));
    EighthWalk xs = StartEighths(walk.x, walk.dx), ys = StartEighths(walk.y, walk.dy);
    // The first and last sample of an iteration bound the others (positions
    // are linear, rounding keeps their order).
    std::int64_t firstX = walk.x, firstY = walk.y;
    const std::int64_t spanX = 15 * walk.dx, spanY = 15 * walk.dy;

    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i ex = xs.eighths, ey = ys.eighths;
        Advance(xs), Advance(ys);
        const std::int64_t x0 = Whole(firstX), x1 = Whole(firstX + spanX);
        const std::int64_t y0 = Whole(firstY), y1 = Whole(firstY + spanY);
        firstX += 16 * walk.dx, firstY += 16 * walk.dy;
        const std::int64_t left = std::min(x0, x1), right = std::max(x0, x1);
        const std::int64_t top = std::min(y0, y1), bottom = std::max(y0, y1);

        __m512i upperLeft, upperRight, lowerLeft, lowerRight;
        // Every right neighbour within the 32 loaded columns, those columns
        // inside the source, every upper neighbour within the loaded rows.
        if (right - left <= 30 && left + 32 <= source.width && bottom - top <= Rows - 2)
            WindowNeighbours<Rows>(bits, stride, ex, ey, left, top, bottom + 1, &upperLeft,
                                   &upperRight, &lowerLeft, &lowerRight);
        else
            GatheredNeighbours(bits, stride, ex, ey, &upperLeft, &upperRight, &lowerLeft,
                               &lowerRight);

        const __m512i wx = _mm512_shuffle_epi8(ex, fractionWords);
        const __m512i fy8 = _mm512_shuffle_epi8(ey, fractionHighBytes);
        const __m512i even = Vertical(Horizontal(_mm512_and_si512(upperLeft, evenBytes),
                                                 _mm512_and_si512(upperRight, evenBytes), wx),
                                      Horizontal(_mm512_and_si512(lowerLeft, evenBytes),
                                                 _mm512_and_si512(lowerRight, evenBytes), wx),
                                      fy8);
        const __m512i odd = Vertical(
            Horizontal(_mm512_srli_epi16(upperLeft, 8), _mm512_srli_epi16(upperRight, 8), wx),
            Horizontal(_mm512_srli_epi16(lowerLeft, 8), _mm512_srli_epi16(lowerRight, 8), wx), fy8);
        // even >> 8 | odd & 0xFF00 per word.
        const __m512i pixels =
            _mm512_ternarylogic_epi32(_mm512_srli_epi16(even, 8), odd, highBytes, 0xF8);
        if (bytesPerPixel == 4) {
            _mm512_storeu_si512(out, pixels);
            out += 64;
        } else {
            // Three bytes a pixel: twelve bytes in each 128-bit lane, then the
            // lanes closed up into 48 bytes.
            const __m512i packed =
                _mm512_permutexvar_epi32(closeUp, _mm512_shuffle_epi8(pixels, compact));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_castsi512_si256(packed));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32),
                             _mm512_extracti32x4_epi32(packed, 2));
            out += 48;
        }
    }
    walk.x += std::int64_t(i) * walk.dx;
    walk.y += std::int64_t(i) * walk.dy;
    if (i < count) RenderSpanOpaqueInteriorPortable(source, walk, count - i, bytesPerPixel, out);
}
}  // namespace

__attribute__((target("avx512f,avx512bw"))) void SpanAvx512(const SourcePixels& source,
                                                            RowWalk walk, int count,
                                                            int bytesPerPixel, std::uint8_t* out) {
    // Sixteen samples cover 15 |dy| pixels of height, so their upper rows
    // differ by at most its whole part plus one: nearly level spans (the
    // usual straightening by a few degrees) need fewer rows loaded.
    const std::uint64_t height = std::uint64_t(walk.dy < 0 ? -walk.dy : walk.dy) * 15;
    if (height < (std::uint64_t(1) << 32))
        SpanLoop<3>(source, walk, count, bytesPerPixel, out);
    else if (height < (std::uint64_t(2) << 32))
        SpanLoop<4>(source, walk, count, bytesPerPixel, out);
    else
        SpanLoop<5>(source, walk, count, bytesPerPixel, out);
}
#endif
