#pragma once

#include <QByteArray>

// Tiny files that claim huge images: small valid files of each format whose
// headers were patched to claim another size or placement. Shared by the
// loading tests (each must be refused) and the benchmark of how fast and how
// cheaply they are refused.
namespace BombFiles {

// A 16 x 16 JPEG whose frame header claims width x height.
QByteArray JpegClaiming(int width, int height, bool progressive);
// A 16 x 16 PNG whose header (and its CRC) claims width x height.
QByteArray PngClaiming(quint32 width, quint32 height);
// A GIF of one 4 x 4 frame claiming a square screen and a square frame.
QByteArray GifClaiming(int screen, int frame);
// A 4 x 4 frame placed at (left, top) on a screen of the given size:
// decoders that grow the canvas to reach the frame allocate the whole span.
QByteArray GifFramePlacedAt(int screenWidth, int screenHeight, int left, int top);
// An LZW-compressed TIFF whose single strip holds 64 bytes.
QByteArray TiffClaiming(quint32 width, quint32 height);
// A run-length 8-bit BMP of side x side that ends its bitmap at once.
QByteArray RunLengthBmpClaiming(int side);
// A top-down 8-bit BMP of four columns claiming 2^25 + 2 rows.
QByteArray BmpOfManyRows();

}  // namespace BombFiles
