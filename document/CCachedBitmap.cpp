#include "CCachedBitmap.h"

#include <cstring>

#include "platform/imaging/ImageAllocation.h"

bool CCachedBitmap::Build() {
    const int w = m_source->Width(), h = m_source->Height(), m = kMargin;
    QImage bordered = AllocateLargeImage(w + 2 * m, h + 2 * m, QImage::Format_ARGB32);
    if (bordered.isNull()) return false;
    bordered.fill(Qt::transparent);  // the border: 0 in all four bytes
    for (int i = 0; i < h; ++i) {
        const auto* in = reinterpret_cast<const quint32*>(m_source->Row(m_flipY ? h - 1 - i : i));
        auto* out = reinterpret_cast<quint32*>(bordered.scanLine(i + m)) + m;
        if (m_flipX) {
            for (int j = 0; j < w; ++j) out[j] = in[w - 1 - j];
        } else {
            std::memcpy(out, in, std::size_t(w) * 4);
        }
    }
    // The copy carries no resolution of its own.
    m_result = MakeHolder(Bitmap{bordered, 0.0f, 0.0f});
    return m_result != nullptr;
}
