#pragma once

#include "Bitmap.h"

// What an imaging component hands back: the first frame in the working format
// and the value of its orientation tag (274), or 0 when the component found none
// or the image format carries its own rotation (HEIF).
struct DecodedImage {
    Bitmap bitmap;
    int orientation = 0;
};
