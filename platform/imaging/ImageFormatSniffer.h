#pragma once

#include <QByteArrayView>

// Recognises a container by its first bytes, so that every decoder is handed
// only what it can read and failure reasons stay specific.
enum class ContainerFormat { Unknown, Jpeg, Png, Gif, Bmp, Tiff, Heif, Webp };

ContainerFormat SniffContainerFormat(QByteArrayView bytes);

// An end-of-image marker follows the JPEG's scans, its markers read as libjpeg
// reads them (JpegStructure.h). Entropy-coded data cannot hold FF D9 (every FF
// there is stuffed or a restart marker), so a file cut anywhere after the
// headers has no such marker.
bool JpegHasEndOfImage(QByteArrayView bytes);

// An uncompressed or bit-field BMP is complete when its pixel rows fit between
// the data offset and the end of the file (never when its size is beyond the
// program's limit). Compressed (RLE) and unrecognised
// headers are left to the decoder.
bool BmpPixelDataComplete(QByteArrayView bytes);
