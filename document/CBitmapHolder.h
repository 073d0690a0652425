#pragma once

#include <QImage>
#include <memory>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageMetadata.h"
#include "platform/imaging/RowArrival.h"

// One image in the working format (Format_ARGB32: bytes B, G, R, A, not
// premultiplied, stride 4 x width) with its size, diagonal and resolution.
// Filled once by CopyFromImage and never changed afterwards; shared by every
// state, cache and output that uses it. The pixels are a QImage, implicitly
// shared: a holder filled from an image already in the working format shares
// that image's buffer instead of copying it, and nothing can write through a
// holder because it hands out only const access.
class CBitmapHolder {
public:
    CBitmapHolder() = default;

    // Takes over the image's size and resolution and its pixels converted to the
    // working format, with the colour profile and EXIF block of the file it came
    // from. False (and the holder stays empty) for an empty image.
    // knownOpaque: the caller knows that no pixel is transparent, which spares
    // looking at every pixel.
    bool CopyFromImage(const Bitmap& image, const ImageMetadata& metadata = {},
                       bool knownOpaque = false);

    // Takes over an opaque image whose rows are still arriving from a decoder
    // (its buffer is shared, and filled from the top down). Every access to the
    // pixels below waits until all rows are there, except RawPixels, whose
    // users wait for the rows they need themselves (WaitForRows).
    bool FillWhileArriving(const Bitmap& image, const ImageMetadata& metadata,
                           std::shared_ptr<const RowArrival> arrival);
    // True once rows 0 .. rows - 1 are final; false when they never will be
    // (the decoding failed: the pixels are then not the image's).
    bool WaitForRows(int rows) const { return !m_arrival || m_arrival->WaitForRows(rows); }
    bool WaitUntilComplete() const { return WaitForRows(m_height); }
    // Gives the memory of rows 0 .. rows - 1 back (as far as it lies in whole
    // pages), which then read as zeros. Only for the last user of a holder that
    // will read no row above `rows` again: the holder's promise of unchanging
    // pixels no longer holds for them.
    void DiscardRowsAbove(int rows) const;
    // Filled by FillWhileArriving (whether or not all rows are there yet).
    bool FilledWhileArriving() const { return m_arrival != nullptr; }

    bool IsEmpty() const { return m_pixelCount == 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int PixelCount() const { return m_pixelCount; }
    int Stride() const { return m_stride; }
    float Diagonal() const { return m_diagonal; }
    float DpiX() const { return m_dpiX; }
    float DpiY() const { return m_dpiY; }
    // No pixel has an alpha below 255 (worked out once, when filled): the
    // renderer then interpolates without premultiplying.
    bool IsOpaque() const { return m_opaque; }

    const QImage& Image() const { return WaitUntilComplete(), m_pixels; }
    const uchar* Pixels() const { return WaitUntilComplete(), m_pixels.constBits(); }
    const uchar* Row(int y) const { return WaitUntilComplete(), m_pixels.constScanLine(y); }
    Bitmap AsBitmap() const { return WaitUntilComplete(), Bitmap{m_pixels, m_dpiX, m_dpiY}; }
    // The pixels without waiting: only rows WaitForRows has vouched for.
    const uchar* RawPixels() const { return m_pixels.constBits(); }
    // As read from the file, for the results made from this image.
    const ImageMetadata& Metadata() const { return m_metadata; }

private:
    QImage m_pixels;
    ImageMetadata m_metadata;
    std::shared_ptr<const RowArrival> m_arrival;  // none once filled whole
    int m_width = 0;
    int m_height = 0;
    int m_pixelCount = 0;
    int m_stride = 0;
    float m_diagonal = 0.0f;
    float m_dpiX = 0.0f;
    float m_dpiY = 0.0f;
    bool m_opaque = true;
};

using HolderPtr = std::shared_ptr<const CBitmapHolder>;

// A new holder filled from the image, or none when the image is empty
// (knownOpaque as for CopyFromImage).
HolderPtr MakeHolder(const Bitmap& image, const ImageMetadata& metadata = {},
                     bool knownOpaque = false);
