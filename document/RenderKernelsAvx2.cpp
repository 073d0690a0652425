// The opaque interior loop with AVX2: eight output pixels per iteration. Each
// sample's four neighbours come from two 8-byte loads (the pixel pair of the
// upper row, then of the lower row), rearranged so that one register holds
// the eight upper-left neighbours, one the upper-right, and so on. The result
// is bit for bit the portable loop's.

#include "RenderKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstring>

namespace {
#define OBLIMO_AVX2 __attribute__((target("avx2"), always_inline)) inline

// Rounded 1/256-pixel positions of eight consecutive pixels, advanced by
// eight pixels at a time in 32-bit lanes: the position plus half a 1/256 pixel
// is kept as its whole 1/256 pixels (`eighths`) and the 24 bits below them,
// held in the top of a dword and offset by 2^31, so that a signed comparison
// tells the carry out of their unsigned addition. Exactly the rounding of the
// 64-bit positions.
struct EighthWalk {
    __m256i eighths, below, stepEighths, stepBelow;
};

OBLIMO_AVX2 EighthWalk StartEighths(std::int64_t start, std::int64_t step) {
    alignas(32) std::int32_t eighths[8], below[8];
    for (int k = 0; k < 8; ++k) {
        const std::int64_t p = start + k * step + (std::int64_t(1) << 23);
        eighths[k] = std::int32_t(p >> 24);
        below[k] = std::int32_t((std::uint32_t(p & 0xFFFFFF) << 8) ^ 0x80000000u);
    }
    const std::int64_t s = 8 * step;
    return EighthWalk{_mm256_load_si256(reinterpret_cast<const __m256i*>(eighths)),
                      _mm256_load_si256(reinterpret_cast<const __m256i*>(below)),
                      _mm256_set1_epi32(std::int32_t(s >> 24)),
                      _mm256_set1_epi32(std::int32_t(std::uint32_t(s & 0xFFFFFF) << 8))};
}

OBLIMO_AVX2 void Advance(EighthWalk& walk) {
    // below + step wrapped past 2^32 exactly when the offset sum is below the
    // offset step.
    walk.below = _mm256_add_epi32(walk.below, walk.stepBelow);
    const __m256i carry = _mm256_cmpgt_epi32(
        _mm256_xor_si256(walk.stepBelow, _mm256_set1_epi32(int(0x80000000u))), walk.below);
    walk.eighths = _mm256_sub_epi32(_mm256_add_epi32(walk.eighths, walk.stepEighths), carry);
}

// [p0 p1 | p4 p5] style pairs of 8-byte loads.
OBLIMO_AVX2 __m256i Pairs(const __m128i* v, int a, int b) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(v[a], v[a + 1])),
                                   _mm_unpacklo_epi64(v[b], v[b + 1]), 1);
}

OBLIMO_AVX2 __m256i Dwords(__m256i first, __m256i second, int which) {
    return which == 0 ? _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(first),
                                                              _mm256_castsi256_ps(second), 0x88))
                      : _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(first),
                                                              _mm256_castsi256_ps(second), 0xDD));
}

// left * 256 + (right - left) * fx: exact, as the true value fits 16 bits.
OBLIMO_AVX2 __m256i Horizontal(__m256i left, __m256i right, __m256i wx) {
    return _mm256_add_epi16(_mm256_slli_epi16(left, 8),
                            _mm256_mullo_epi16(_mm256_sub_epi16(right, left), wx));
}

// top - hi(top * fy * 256) + hi(bottom * fy * 256), rounded to 8 bits.
OBLIMO_AVX2 __m256i Vertical(__m256i top, __m256i bottom, __m256i fy8) {
    const __m256i v = _mm256_add_epi16(_mm256_sub_epi16(top, _mm256_mulhi_epu16(top, fy8)),
                                       _mm256_mulhi_epu16(bottom, fy8));
    return _mm256_srli_epi16(_mm256_add_epi16(v, _mm256_set1_epi16(128)), 8);
}

// Eight output pixels per iteration, laid out channel-wise: after loading,
// one register holds the eight upper-left neighbours, one the upper-right, and
// so on; the even bytes (blue, red) and odd bytes (green, alpha) of each pixel
// are then worked on as 16-bit lanes, so every weight multiplies sixteen
// values at once. The portable loop does the same arithmetic, value by value.
__attribute__((target("avx2"))) void SpanAvx2(const SourcePixels& source, RowWalk walk, int count,
                                              int bytesPerPixel, std::uint8_t* out) {
    const std::uint8_t* bits = source.bits;
    const qsizetype stride = source.stride;
    const __m256i evenBytes = _mm256_set1_epi32(0x00FF00FF);
    // Each dword's fraction byte spread to both of its words, as the weight
    // fx and as fy * 256.
    const __m256i fractionWords =
        _mm256_setr_epi8(0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1, 0, -1, 0, -1, 4,
                         -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1);
    const __m256i fractionHighBytes =
        _mm256_setr_epi8(-1, 0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1, 0, -1, 0, -1,
                         4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12);
    const __m256i stridePixels = _mm256_set1_epi32(int(stride / 4));
    const __m256i compact =
        _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                         8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    EighthWalk xs = StartEighths(walk.x, walk.dx), ys = StartEighths(walk.y, walk.dy);
    alignas(32) std::int32_t offsets[8];
    alignas(32) std::uint8_t staged[32];

    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i ex = xs.eighths, ey = ys.eighths;
        Advance(xs), Advance(ys);
        // Pixel index of the upper-left neighbour (fits 32 bits: images are
        // limited to 2^29 pixels).
        const __m256i index = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_srli_epi32(ey, 8), stridePixels), _mm256_srli_epi32(ex, 8));
        _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), index);

        __m128i upper[8], lower[8];
        for (int k = 0; k < 8; ++k) {
            const std::uint8_t* p = bits + qsizetype(offsets[k]) * 4;
            upper[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            lower[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride));
        }
        const __m256i ua = Pairs(upper, 0, 4), ub = Pairs(upper, 2, 6);
        const __m256i la = Pairs(lower, 0, 4), lb = Pairs(lower, 2, 6);
        const __m256i upperLeft = Dwords(ua, ub, 0), upperRight = Dwords(ua, ub, 1);
        const __m256i lowerLeft = Dwords(la, lb, 0), lowerRight = Dwords(la, lb, 1);

        const __m256i wx = _mm256_shuffle_epi8(ex, fractionWords);
        const __m256i fy8 = _mm256_shuffle_epi8(ey, fractionHighBytes);
        const __m256i even = Vertical(Horizontal(_mm256_and_si256(upperLeft, evenBytes),
                                                 _mm256_and_si256(upperRight, evenBytes), wx),
                                      Horizontal(_mm256_and_si256(lowerLeft, evenBytes),
                                                 _mm256_and_si256(lowerRight, evenBytes), wx),
                                      fy8);
        const __m256i odd = Vertical(
            Horizontal(_mm256_srli_epi16(upperLeft, 8), _mm256_srli_epi16(upperRight, 8), wx),
            Horizontal(_mm256_srli_epi16(lowerLeft, 8), _mm256_srli_epi16(lowerRight, 8), wx), fy8);
        const __m256i pixels = _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
        if (bytesPerPixel == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
            out += 32;
        } else {
            _mm256_store_si256(reinterpret_cast<__m256i*>(staged),
                               _mm256_shuffle_epi8(pixels, compact));
            std::memcpy(out, staged, 12);
            std::memcpy(out + 12, staged + 16, 12);
            out += 24;
        }
    }
    walk.x += std::int64_t(i) * walk.dx;
    walk.y += std::int64_t(i) * walk.dy;
    if (i < count) RenderSpanOpaqueInteriorPortable(source, walk, count - i, bytesPerPixel, out);
}

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

bool HaveAvx512() {
    static const bool have =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return have;
}
}  // namespace

void SpanAvx512(const SourcePixels& source, RowWalk walk, int count, int bytesPerPixel,
                std::uint8_t* out);

bool RenderSpanOpaqueInteriorAvx2(const SourcePixels& source, RowWalk walk, int count,
                                  int bytesPerPixel, std::uint8_t* out) {
    if (!HaveAvx2()) return false;
    SpanAvx2(source, walk, count, bytesPerPixel, out);
    return true;
}

bool RenderSpanOpaqueInteriorAvx512(const SourcePixels& source, RowWalk walk, int count,
                                    int bytesPerPixel, std::uint8_t* out) {
    if (!HaveAvx512()) return false;
    SpanAvx512(source, walk, count, bytesPerPixel, out);
    return true;
}

void RenderSpanOpaqueInterior(const SourcePixels& source, RowWalk walk, int count,
                              int bytesPerPixel, std::uint8_t* out) {
    // The widest loop the processor has; all give the same bits.
    if (!RenderSpanOpaqueInteriorAvx512(source, walk, count, bytesPerPixel, out) &&
        !RenderSpanOpaqueInteriorAvx2(source, walk, count, bytesPerPixel, out))
        RenderSpanOpaqueInteriorPortable(source, walk, count, bytesPerPixel, out);
}
#else
bool RenderSpanOpaqueInteriorAvx2(const SourcePixels&, RowWalk, int, int, std::uint8_t*) {
    return false;
}
bool RenderSpanOpaqueInteriorAvx512(const SourcePixels&, RowWalk, int, int, std::uint8_t*) {
    return false;
}
void RenderSpanOpaqueInterior(const SourcePixels& source, RowWalk walk, int count,
                              int bytesPerPixel, std::uint8_t* out) {
    RenderSpanOpaqueInteriorPortable(source, walk, count, bytesPerPixel, out);
}
#endif
