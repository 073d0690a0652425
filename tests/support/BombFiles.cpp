#include "BombFiles.h"

#include <zlib.h>

#include <cstring>

#include "FormatWriters.h"
#include "JpegWriter.h"

namespace BombFiles {

namespace {
void PatchSize16(QByteArray& bytes, qsizetype at, int width, int height, bool bigEndian) {
    auto put = [&](qsizetype pos, int v) {
        bytes[pos + (bigEndian ? 0 : 1)] = char(v >> 8);
        bytes[pos + (bigEndian ? 1 : 0)] = char(v);
    };
    put(at, width);
    put(at + 2, height);
}

// A small picture with edges, so that the real-size files decode to something.
std::vector<std::uint8_t> SmallPicture(int side) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            rgb.insert(rgb.end(), {std::uint8_t(x < side / 2 ? 30 : 220),
                                   std::uint8_t(y < side / 2 ? 60 : 200), std::uint8_t(x * 16)});
    return rgb;
}
}  // namespace

QByteArray JpegClaiming(int width, int height, bool progressive) {
    const std::vector<std::uint8_t> rgb = SmallPicture(16);
    JpegWriter::JpegSpec spec;
    spec.image = QImage(rgb.data(), 16, 16, 16 * 3, QImage::Format_RGB888).copy();
    spec.progressive = progressive;
    QByteArray jpeg = JpegWriter::Jpeg(spec);
    const qsizetype sof = jpeg.indexOf(QByteArray(progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
    PatchSize16(jpeg, sof + 5, height, width, true);  // height comes first
    return jpeg;
}

QByteArray PngClaiming(quint32 width, quint32 height) {
    FormatWriters::PngSpec spec;
    spec.width = spec.height = 16;
    for (std::uint8_t sample : SmallPicture(16)) spec.samples.push_back(sample);
    QByteArray png = FormatWriters::Png(spec);
    auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) png[at + i] = char(v >> (24 - 8 * i));
    };
    put32(16, width);
    put32(20, height);
    put32(29, quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17)));
    return png;
}

QByteArray GifClaiming(int screen, int frame) {
    FormatWriters::GifSpec spec{4, 4, 0, {0, 0, 0, 255, 255, 255}, {}};
    FormatWriters::GifFrame f;
    f.width = f.height = 4;
    f.indices.assign(16, 1);
    spec.frames.push_back(f);
    QByteArray gif = FormatWriters::Gif(spec);
    PatchSize16(gif, 6, screen, screen, false);
    const qsizetype descriptor = gif.indexOf('\x2C', 13 + 6);
    PatchSize16(gif, descriptor + 5, frame, frame, false);
    return gif;
}

QByteArray GifFramePlacedAt(int screenWidth, int screenHeight, int left, int top) {
    QByteArray gif = GifClaiming(4, 4);
    PatchSize16(gif, 6, screenWidth, screenHeight, false);
    const qsizetype descriptor = gif.indexOf('\x2C', 13 + 6);
    PatchSize16(gif, descriptor + 1, left, top, false);
    return gif;
}

QByteArray TiffClaiming(quint32 width, quint32 height) {
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto le16 = [&](quint32 v) { tiff.append(char(v)).append(char(v >> 8)); };
    auto le32 = [&](quint32 v) { le16(v & 0xFFFF), le16(v >> 16); };
    const quint32 entries[][2] = {{256, width}, {257, height}, {258, 8},
                                  {259, 5},     {262, 1},      {273, 8 + 2 + 7 * 12 + 4},
                                  {279, 64}};
    le16(7);
    for (const auto& e : entries) {
        le16(e[0]);
        le16(4);  // LONG
        le32(1);
        le32(e[1]);
    }
    le32(0);
    tiff.append(QByteArray(64, '\x80'));
    return tiff;
}

QByteArray RunLengthBmpClaiming(int side) {
    FormatWriters::BmpSpec rle;
    rle.width = rle.height = side, rle.bitCount = 8, rle.compression = 1;
    rle.palette.assign(8, 0);
    rle.pixelData = {0, 1};  // end of bitmap at once
    return FormatWriters::Bmp(rle);
}

QByteArray BmpOfManyRows() {
    FormatWriters::BmpSpec spec;
    spec.width = 4, spec.height = 3, spec.bitCount = 8, spec.palette.assign(16, 0);
    spec.pixelData.assign(12, 1);
    QByteArray bmp = FormatWriters::Bmp(spec);
    const qint32 height = -((1 << 25) + 2);
    std::memcpy(bmp.data() + 22, &height, 4);
    return bmp;
}

}  // namespace BombFiles
