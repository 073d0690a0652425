#include "ImageAllocation.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kWorthIt = std::size_t(8) << 20;
constexpr std::size_t kKeptBuffers = 2;

struct Buffer {
    void* memory;
    std::size_t bytes;
};

struct Recycler {
    std::mutex mutex;
    int scopes = 0;
    std::vector<Buffer> kept;  // newest last
};

Recycler& TheRecycler() {
    static Recycler recycler;
    return recycler;
}

void* TakeKept(std::size_t bytes) {
    Recycler& recycler = TheRecycler();
    std::lock_guard<std::mutex> lock(recycler.mutex);
    for (auto it = recycler.kept.rbegin(); it != recycler.kept.rend(); ++it) {
        if (it->bytes != bytes) continue;
        void* memory = it->memory;
        recycler.kept.erase(std::next(it).base());
        return memory;
    }
    return nullptr;
}

void Release(void* info) {
    Buffer* buffer = static_cast<Buffer*>(info);
    {
        Recycler& recycler = TheRecycler();
        std::lock_guard<std::mutex> lock(recycler.mutex);
        if (recycler.scopes > 0) {
            if (recycler.kept.size() == kKeptBuffers) {
                std::free(recycler.kept.front().memory);
                recycler.kept.erase(recycler.kept.begin());
            }
            recycler.kept.push_back(*buffer);
            delete buffer;
            return;
        }
    }
    std::free(buffer->memory);
    delete buffer;
}
}  // namespace

LargeImageRecycling::LargeImageRecycling() {
    Recycler& recycler = TheRecycler();
    std::lock_guard<std::mutex> lock(recycler.mutex);
    ++recycler.scopes;
}

LargeImageRecycling::~LargeImageRecycling() {
    Recycler& recycler = TheRecycler();
    std::lock_guard<std::mutex> lock(recycler.mutex);
    if (--recycler.scopes > 0) return;
    for (const Buffer& buffer : recycler.kept) std::free(buffer.memory);
    recycler.kept.clear();
}

QImage AllocateLargeImage(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0) return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype stride = ((qsizetype(width) * depth + 31) / 32) * 4;
    const std::size_t bytes = std::size_t(stride) * std::size_t(height);
#if defined(__linux__)
    if (bytes >= kWorthIt) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = TakeKept(rounded);
        if (!memory) {
            memory = std::aligned_alloc(kHugePage, rounded);
            if (!memory) return QImage();
            madvise(memory, rounded, MADV_HUGEPAGE);
        }
        auto* buffer = new Buffer{memory, rounded};
        QImage image(static_cast<uchar*>(memory), width, height, stride, format, Release, buffer);
        if (image.isNull()) {
            std::free(memory);
            delete buffer;
        }
        return image;
    }
#endif
    return QImage(width, height, format);
}

void DiscardLargeImagePages(const uchar* begin, std::size_t bytes) {
#if defined(__linux__)
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t from = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t to = (start + bytes) / kHugePage * kHugePage;
    // Only buffers of huge pages start on a page boundary; pages of any other
    // buffer could hold a neighbouring allocation's bytes.
    if (start % kHugePage != 0 || to <= from) return;
    madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
#else
    (void)begin, (void)bytes;
#endif
}

namespace {
void ReleaseOwner(void* owner) { delete static_cast<QImage*>(owner); }
}  // namespace

QImage ViewRgb32AsArgb32(const QImage& rgb32) {
    if (rgb32.format() != QImage::Format_RGB32) return rgb32.convertToFormat(QImage::Format_ARGB32);
    auto* owner = new QImage(rgb32);
    // constBits() does not detach; nothing writes through the old image again.
    auto* bits = const_cast<uchar*>(owner->constBits());
    QImage view(bits, owner->width(), owner->height(), owner->bytesPerLine(), QImage::Format_ARGB32,
                ReleaseOwner, owner);
    view.setDotsPerMeterX(owner->dotsPerMeterX());
    view.setDotsPerMeterY(owner->dotsPerMeterY());
    return view;
}
