// GIF through giflib, first frame only: the logical screen is filled with the
// background (or, when the first frame has a transparent colour, with that
// colour at alpha 0), then the first frame is drawn into it. The frames after
// it are never read.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "CodecDecoders.h"
#include "ImageLimits.h"

namespace {
struct GifSource {
    QByteArrayView bytes;
    qsizetype position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int size) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const int count = int(std::min<qsizetype>(size, source->bytes.size() - source->position));
    std::memcpy(buffer, source->bytes.data() + source->position, std::size_t(count));
    source->position += count;
    return count;
}

struct CloseGif {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, CloseGif>;

QRgb ColourOf(const ColorMapObject* map, int index, int alpha = 255) {
    if (!map || index < 0 || index >= map->ColorCount) return qRgba(0, 0, 0, alpha);
    const GifColorType& c = map->Colors[index];
    return qRgba(c.Red, c.Green, c.Blue, alpha);
}

// A logical screen far larger than its frames is taken as damage, not as a
// canvas: the frame's own extent is used instead (as Qt's reader does).
int CanvasSide(int screen, int frameOrigin, int frameSize) {
    if (screen <= 0 || screen / 10 > std::max(frameSize, 16384)) return frameOrigin + frameSize;
    return screen;
}
}  // namespace

std::optional<DecodedImage> DecodeGifWithGiflib(QByteArrayView bytes) {
    GifSource source{bytes};
    int error = 0;
    GifPtr gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif) return std::nullopt;

    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return std::nullopt;
        if (record == TERMINATE_RECORD_TYPE) return std::nullopt;  // no frame at all
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif.get(), &code, &extension) != GIF_OK) return std::nullopt;
            if (code == GRAPHICS_EXT_FUNC_CODE && extension && extension[0] >= 4) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(extension[0], extension + 1, &control) == GIF_OK)
                    transparent = control.TransparentColor;
            }
            while (extension) {
                if (DGifGetExtensionNext(gif.get(), &extension) != GIF_OK) return std::nullopt;
            }
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) break;
    }
    if (DGifGetImageDesc(gif.get()) != GIF_OK) return std::nullopt;
    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        return std::nullopt;
    const int width = CanvasSide(gif->SWidth, frame.Left, frame.Width);
    const int height = CanvasSide(gif->SHeight, frame.Top, frame.Height);
    if (!ImageSizeAcceptable(width, height)) return std::nullopt;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;

    QImage image = AllocateWorkingImage(width, height);
    if (image.isNull()) return std::nullopt;
    image.fill(transparent != NO_TRANSPARENT_COLOR
                   ? ColourOf(map, transparent, 0)
                   : ColourOf(gif->SColorMap, gif->SBackGroundColor));

    std::vector<GifPixelType> line(std::size_t(frame.Width));
    // Interlaced rows come in four passes: every 8th from 0, every 8th from 4,
    // every 4th from 2, every 2nd from 1.
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) != GIF_OK) return std::nullopt;
            const int y = frame.Top + row;
            if (y >= height) continue;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            const int columns = std::min(frame.Width, width - frame.Left);
            for (int x = 0; x < columns; ++x)
                if (line[std::size_t(x)] != transparent)
                    out[frame.Left + x] = ColourOf(map, line[std::size_t(x)]);
        }
    }
    DecodedImage decoded;
    decoded.bitmap.image = std::move(image);
    return decoded;
}
