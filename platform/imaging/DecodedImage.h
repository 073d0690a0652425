#pragma once

#include "Bitmap.h"
#include "ImageMetadata.h"

// What an imaging component hands back: the first frame in the working format
// and the value of its orientation tag (274), or 0 when the component found none
// or the image format carries its own rotation (HEIF), and the colour profile
// and EXIF block the file carries (pixels are never converted by a profile).
struct DecodedImage {
    Bitmap bitmap;
    int orientation = 0;
    ImageMetadata metadata;
};
