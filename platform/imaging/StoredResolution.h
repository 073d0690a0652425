#pragma once

#include <QByteArrayView>

#include "ImageFormatSniffer.h"

// Whether a file stores a resolution that Qt's readers take over: a PNG's pHYs
// in dots per metre, a JPEG's JFIF density in dots per inch or centimetre, a
// BMP's pixels per metre, a TIFF's X and Y resolution in inches or centimetres.
// Qt gives an image whose file stores none a default that differs between a
// command-line program (100 dpi) and one with a screen (the screen's); the
// first component tells the two apart with this and uses 96 for "none stored"
// in every program.
bool FileStoresResolution(ContainerFormat container, QByteArrayView bytes);
