#pragma once

#include <QByteArray>

// What a file says about its pixels beyond the pixels themselves, kept with the
// image as it was read and written into results that can carry it. The bytes
// are implicitly shared, so every copy of an image's metadata shares them.
//
// The colour is either an ICC profile or, for HEIF, the code points of an nclx
// colour description (ISO/IEC 23091-2). An nclx colour that a profile can
// describe exactly comes with that profile too, for formats that only carry
// profiles. Plain sRGB in nclx form is what every HEIF file says by default
// and is kept as no colour at all.
struct NclxColour {
    int primaries = 0;  // 0: none
    int transfer = 0;
    bool operator==(const NclxColour&) const = default;
};

struct ImageMetadata {
    QByteArray icc;   // an ICC profile as stored
    QByteArray exif;  // the EXIF TIFF structure ("II*\0" or "MM\0*" ...), without "Exif\0\0"
    NclxColour nclx;

    bool IsEmpty() const { return icc.isEmpty() && exif.isEmpty() && nclx.primaries == 0; }
};

// Larger profiles and EXIF blocks are not kept: no real one comes near it.
inline constexpr qsizetype kMaxMetadataBytes = qsizetype(16) << 20;
