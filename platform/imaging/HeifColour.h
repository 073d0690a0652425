#pragma once

#include <libheif/heif.h>

#include <QByteArray>

#include "ImageMetadata.h"

// HEIF's nclx colour descriptions and what the program keeps of them: the
// primaries and the transfer characteristics. The matrix coefficients and the
// range describe how the encoder stored RGB as YCbCr, not the colour, and are
// left to the encoder that writes a file, so that its pixels come out as they
// would without a colour.

// None for BT.709 primaries (or unspecified ones) with an sRGB-like transfer,
// what HEIF files say when they say nothing special.
NclxColour KeptNclxColour(const heif_color_profile_nclx& nclx);

// An ICC profile with the same primaries and transfer, for formats that carry
// only profiles; empty when the transfer has no exact profile form here (only
// sRGB, linear and pure gamma 2.2 and 2.8 have) or nothing is kept.
QByteArray IccProfileForNclx(const heif_color_profile_nclx& nclx);
