#pragma once

#include <QByteArrayView>
#include <QImage>

// Reads a device-independent bitmap: a bitmap information header, its colour
// table or bit-field masks, then the pixel rows, as the clipboard's DIB format
// carries it (a BMP file's 14-byte file header in front is skipped too).
//
// The data comes from other programs and is not trusted: before anything is
// read, the header is checked (size, planes, bit count, compression, colour
// count, width and height within the program's limits) and so is the block's
// length against the colour table and every pixel row the header announces.
// Nothing outside the block is ever read. A null image when anything is off.
//
// Colour-table length n: 2 for 1 bit, the used-colour count (or 16, 256) for
// 4 and 8 bits, for 16 and 32 bits three masks plus the used colours with bit
// fields and the used colours without, for 24 bits the used colours. The pixel
// rows start after the header and n entries of 4 bytes, or where a BMP file
// header's pixel offset says (a table cut short by it has fewer colours). A
// header large enough to hold the masks itself (52 bytes and more) keeps them
// there, so they are not counted again; a shorter one is followed by them.
//
// The result is in the working format and opaque: like a device bitmap, a DIB
// carries no transparency here.
QImage ReadDib(QByteArrayView block);
