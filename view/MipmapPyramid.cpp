#include "MipmapPyramid.h"

#include <algorithm>
#include <cmath>

namespace {
// Premultiplies one pixel of Format_ARGB32 into separate channel values.
inline void Premultiplied(quint32 p, quint32& a, quint32& r, quint32& g, quint32& b) {
    a = p >> 24;
    // (c * a + 127) / 255 without a division.
    auto mul = [a](quint32 c) {
        const quint32 t = c * a + 128;
        return (t + (t >> 8)) >> 8;
    };
    r = mul((p >> 16) & 0xff);
    g = mul((p >> 8) & 0xff);
    b = mul(p & 0xff);
}
}  // namespace

namespace {
// Every pixel is either opaque or transparent black: its premultiplied form
// is the same bytes.
bool SameWhenPremultiplied(const QImage& image) {
    if (image.format() != QImage::Format_ARGB32) return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        quint32 bad = 0;
        for (int x = 0; x < image.width(); ++x) {
            const quint32 p = row[x];
            bad |= (p < 0xff000000u) & (p != 0u);
        }
        if (bad) return false;
    }
    return true;
}
}  // namespace

void MipmapPyramid::SetSource(const QImage& image) {
    if (!m_levels.empty() && image.cacheKey() == m_sourceKey) return;
    m_levels.clear();
    m_source = image;
    m_sourceKey = image.cacheKey();
    if (image.isNull()) return;
    if (SameWhenPremultiplied(image)) {
        m_levels.emplace_back(image.constBits(), image.width(), image.height(),
                              image.bytesPerLine(), QImage::Format_ARGB32_Premultiplied);
    } else {
        m_levels.push_back(image);
    }
}

int MipmapPyramid::LevelLimit() const {
    if (m_levels.empty()) return 0;
    const int longest = std::max(m_levels[0].width(), m_levels[0].height());
    int limit = 0;
    while ((longest >> limit) > 1) ++limit;
    return limit;
}

const QImage& MipmapPyramid::Level(int k) {
    k = std::clamp(k, 0, LevelLimit());
    while (int(m_levels.size()) <= k) m_levels.push_back(Halve(m_levels.back()));
    return m_levels[std::size_t(k)];
}

int MipmapPyramid::LevelForScale(double scale) {
    if (!(scale > 0.0) || scale >= 1.0) return 0;
    return std::max(0, int(std::lround(std::log2(1.0 / scale))));
}

QImage MipmapPyramid::Halve(const QImage& image) {
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage source = premultiplied || image.format() == QImage::Format_ARGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    const int hw = std::max(1, (w + 1) / 2), hh = std::max(1, (h + 1) / 2);
    QImage half(hw, hh, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < hh; ++y) {
        const auto* row0 = reinterpret_cast<const quint32*>(source.constScanLine(2 * y));
        const auto* row1 = 2 * y + 1 < h
                               ? reinterpret_cast<const quint32*>(source.constScanLine(2 * y + 1))
                               : nullptr;
        auto* out = reinterpret_cast<quint32*>(half.scanLine(y));
        for (int x = 0; x < hw; ++x) {
            quint32 sa = 0, sr = 0, sg = 0, sb = 0;
            for (int dy = 0; dy < 2; ++dy) {
                const quint32* row = dy == 0 ? row0 : row1;
                if (!row) continue;
                for (int dx = 0; dx < 2; ++dx) {
                    const int sx = 2 * x + dx;
                    if (sx >= w) continue;
                    quint32 a, r, g, b;
                    if (premultiplied) {
                        const quint32 p = row[sx];
                        a = p >> 24, r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
                    } else {
                        Premultiplied(row[sx], a, r, g, b);
                    }
                    sa += a, sr += r, sg += g, sb += b;
                }
            }
            out[x] = ((sa + 2) >> 2) << 24 | ((sr + 2) >> 2) << 16 | ((sg + 2) >> 2) << 8 |
                     ((sb + 2) >> 2);
        }
    }
    return half;
}
