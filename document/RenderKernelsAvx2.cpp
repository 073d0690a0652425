// The opaque interior loop with AVX2: two output pixels per iteration, one in
// each 128-bit lane. Each lane holds the four neighbours of its sample (two
// 8-byte loads: the pixel pair of the upper row, then of the lower row). A
// byte shuffle spreads each row's pair into 16-bit (left, right) pairs per
// channel, so one multiply-add per row gives the horizontal interpolation in
// 32 bits; the vertical step is top * 256 + (bottom - top) * fy. The result is
// bit for bit the portable loop's.

#include "RenderKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstring>

namespace {
inline std::int64_t ToEighth(std::int64_t position) {
    return (position + (std::int64_t(1) << 23)) >> 24;
}

__attribute__((target("avx2"))) void SpanAvx2(const SourcePixels& source, RowWalk walk,
                                               int count, int bytesPerPixel, std::uint8_t* out) {
    const __m256i spreadTop = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7,
                                               -1, 0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3,
                                               -1, 7, -1);
    const __m256i spreadBottom = _mm256_add_epi8(spreadTop, _mm256_set1_epi8(8));
    // The shuffle's -1 entries must stay negative (zeroing) after adding 8.
    const __m256i zeroing = _mm256_cmpgt_epi8(_mm256_setzero_si256(), spreadTop);
    const __m256i bottomIndex = _mm256_or_si256(spreadBottom, zeroing);
    const __m256i half = _mm256_set1_epi32(32768);
    const std::uint8_t* bits = source.bits;
    const qsizetype stride = source.stride;

    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const std::int64_t px0 = ToEighth(walk.x), py0 = ToEighth(walk.y);
        const std::int64_t px1 = ToEighth(walk.x + walk.dx), py1 = ToEighth(walk.y + walk.dy);
        walk.x += 2 * walk.dx;
        walk.y += 2 * walk.dy;
        const std::uint8_t* a = bits + (py0 >> 8) * stride + (px0 >> 8) * 4;
        const std::uint8_t* b = bits + (py1 >> 8) * stride + (px1 >> 8) * 4;
        const __m128i laneA = _mm_unpacklo_epi64(_mm_loadl_epi64((const __m128i*)a),
                                                 _mm_loadl_epi64((const __m128i*)(a + stride)));
        const __m128i laneB = _mm_unpacklo_epi64(_mm_loadl_epi64((const __m128i*)b),
                                                 _mm_loadl_epi64((const __m128i*)(b + stride)));
        const __m256i pixels = _mm256_inserti128_si256(_mm256_castsi128_si256(laneA), laneB, 1);

        const int fx0 = int(px0 & 255), fy0 = int(py0 & 255);
        const int fx1 = int(px1 & 255), fy1 = int(py1 & 255);
        const __m256i wx = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_set1_epi32((fx0 << 16) | (256 - fx0))),
            _mm_set1_epi32((fx1 << 16) | (256 - fx1)), 1);
        const __m256i wy = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(fy0)),
                                                   _mm_set1_epi32(fy1), 1);

        const __m256i top = _mm256_madd_epi16(_mm256_shuffle_epi8(pixels, spreadTop), wx);
        const __m256i bottom = _mm256_madd_epi16(_mm256_shuffle_epi8(pixels, bottomIndex), wx);
        const __m256i blended = _mm256_add_epi32(
            _mm256_slli_epi32(top, 8), _mm256_mullo_epi32(_mm256_sub_epi32(bottom, top), wy));
        const __m256i rounded = _mm256_srli_epi32(_mm256_add_epi32(blended, half), 16);
        // Alpha of an opaque interior is 255 whatever the rounding.
        const __m256i words = _mm256_packus_epi32(rounded, rounded);
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const std::uint32_t first = std::uint32_t(_mm256_cvtsi256_si32(bytes)) | 0xFF000000u;
        const std::uint32_t second = std::uint32_t(_mm256_extract_epi32(bytes, 4)) | 0xFF000000u;
        if (bytesPerPixel == 4) {
            std::memcpy(out, &first, 4);
            std::memcpy(out + 4, &second, 4);
            out += 8;
        } else {
            std::memcpy(out, &first, 3);
            std::memcpy(out + 3, &second, 3);
            out += 6;
        }
    }
    if (i < count) RenderSpanOpaqueInteriorPortable(source, walk, count - i, bytesPerPixel, out);
}

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
}  // namespace

void RenderSpanOpaqueInterior(const SourcePixels& source, RowWalk walk, int count,
                              int bytesPerPixel, std::uint8_t* out) {
    if (HaveAvx2())
        SpanAvx2(source, walk, count, bytesPerPixel, out);
    else
        RenderSpanOpaqueInteriorPortable(source, walk, count, bytesPerPixel, out);
}
#else
void RenderSpanOpaqueInterior(const SourcePixels& source, RowWalk walk, int count,
                              int bytesPerPixel, std::uint8_t* out) {
    RenderSpanOpaqueInteriorPortable(source, walk, count, bytesPerPixel, out);
}
#endif
