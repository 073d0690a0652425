#pragma once

#include <QImage>

// Allocates a large image in memory that the kernel may back with huge pages.
// Every page of a fresh buffer costs a page fault on first touch; for the
// 100 MB of a 24-megapixel image in 4 KiB pages that is 25,000 faults, which on
// a virtual machine cost more than decoding or rendering the pixels. With
// 2 MiB pages it is 50. Small images, and systems without the hint, get an
// ordinary QImage. A null image when memory is short. Rows are padded as
// QImage pads them (to 4 bytes).
QImage AllocateLargeImage(int width, int height, QImage::Format format);

// While one of these lives, the buffers of large images that are released are
// kept (at most two) and handed to the next large image of the same byte size
// instead of going back to the system: a batch run decodes and renders image
// after image of one size, and a fresh buffer costs a page fault and the
// kernel's zeroing for every page of it, about a tenth of the run's time. The
// kept buffers are freed when the last scope ends. Any thread may hold one.
class LargeImageRecycling {
public:
    LargeImageRecycling();
    ~LargeImageRecycling();
    LargeImageRecycling(const LargeImageRecycling&) = delete;
    LargeImageRecycling& operator=(const LargeImageRecycling&) = delete;
};

// Gives the whole huge pages within [begin, begin + bytes) of a large image's
// buffer back to the system, which then reads as zeros there. For rows that
// nobody reads again while the image is still alive. Nothing for an image
// that is not in huge pages' memory, or a range smaller than one page.
void DiscardLargeImagePages(const uchar* begin, std::size_t bytes);

// The working-format view of an image in Format_RGB32, without copying: Qt
// keeps RGB32 pixels as 0xffRRGGBB, which is exactly an opaque ARGB32 pixel.
// The new image shares the old one's buffer and keeps it alive.
QImage ViewRgb32AsArgb32(const QImage& rgb32);
