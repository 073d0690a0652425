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

// The working-format view of an image in Format_RGB32, without copying: Qt
// keeps RGB32 pixels as 0xffRRGGBB, which is exactly an opaque ARGB32 pixel.
// The new image shares the old one's buffer and keeps it alive.
QImage ViewRgb32AsArgb32(const QImage& rgb32);
