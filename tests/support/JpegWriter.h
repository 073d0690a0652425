#pragma once

#include <QByteArray>
#include <QImage>

// JPEGs with exactly the encoding a test is about, written by libjpeg itself.
namespace JpegWriter {

struct JpegSpec {
    QImage image;  // any format; grey and CMYK files take its channels as below
    int quality = 90;
    // Sampling of the first component; the others are 1 x 1.
    int hSampling = 2, vSampling = 2;
    enum class Colour { YCbCr, Grey, Rgb, Cmyk, Ycck } colour = Colour::YCbCr;
    bool progressive = false;
    bool arithmetic = false;  // arithmetic coding instead of Huffman
    int restartRows = 0;      // a restart marker every so many MCU rows
    int densityUnit = 1, densityX = 72, densityY = 72;
    bool jfif = true;
    int orientation = 0;  // an EXIF block with this orientation tag; 0: none
};
// For CMYK and YCCK the channels are C = red, M = green, Y = blue, K = alpha of
// the image, stored as they are (Adobe's inverted form is not applied).
QByteArray Jpeg(const JpegSpec& spec);

// A noisy picture, so that decoding differences show.
QImage Noisy(int width, int height, quint32 seed = 1);

}  // namespace JpegWriter
