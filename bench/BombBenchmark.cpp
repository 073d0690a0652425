// Tiny files that claim huge images (23170 x 23170, just under the program's
// pixel limit), each loaded in a fresh child process through each component:
// the time until the file is refused and the peak memory above the process's
// baseline (peak reset just before the load). For scale, the same process also
// loads a real 6000 x 4000 JPEG. Goal: every bomb refused in under 500 ms with
// under 50 MB above the baseline.
//
//   oblimo-bomb-bench

#include <cstddef>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "BenchSupport.h"
#include "document/ImageLoader.h"
#include "platform/imaging/CodecFactory.h"
#include "support/FormatWriters.h"

namespace {
constexpr int kSide = 23170;

QByteArray SmallJpeg(bool progressive) {
    QImage image = Bench::PhotoLikeImage(16, 16).convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < 16) {
        auto* row = image.scanLine(int(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

QByteArray JpegBomb(bool progressive) {
    QByteArray jpeg = SmallJpeg(progressive);
    const qsizetype sof = jpeg.indexOf(QByteArray(progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
    for (int at : {5, 7})
        jpeg[sof + at] = char(kSide >> 8), jpeg[sof + at + 1] = char(kSide & 0xFF);
    return jpeg;
}

QByteArray PngBomb() {
    FormatWriters::PngSpec spec;
    spec.width = spec.height = 16;
    spec.samples.assign(16 * 16 * 3, 77);
    QByteArray png = FormatWriters::Png(spec);
    for (int at : {16, 20})
        for (int i = 0; i < 4; ++i) png[at + i] = char(std::uint32_t(kSide) >> (24 - 8 * i));
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

QByteArray GifBomb() {
    FormatWriters::GifSpec spec{4, 4, 0, {0, 0, 0, 255, 255, 255}, {}};
    FormatWriters::GifFrame frame;
    frame.width = frame.height = 4;
    frame.indices.assign(16, 1);
    spec.frames.push_back(frame);
    QByteArray gif = FormatWriters::Gif(spec);
    const qsizetype descriptor = gif.indexOf('\x2C', 19);
    for (qsizetype at : {qsizetype(6), qsizetype(8), descriptor + 5, descriptor + 7})
        gif[at] = char(kSide & 0xFF), gif[at + 1] = char(kSide >> 8);
    return gif;
}

// A small frame placed far below a screen of no height: decoders grow the
// canvas to reach it.
QByteArray GifFarFrameBomb() {
    QByteArray gif = GifBomb();
    const qsizetype descriptor = gif.indexOf('\x2C', 19);
    const auto put = [&](qsizetype at, int v) {
        gif[at] = char(v & 0xFF), gif[at + 1] = char(v >> 8);
    };
    put(6, kSide), put(8, 0);                                  // screen kSide x 0
    put(descriptor + 1, 100), put(descriptor + 3, kSide - 1);  // left, top
    put(descriptor + 5, 4), put(descriptor + 7, 1);            // a 4 x 1 frame
    return gif;
}

// A top-down 8-bit BMP of four columns claiming 2^25 + 2 rows.
QByteArray TallBmpBomb() {
    FormatWriters::BmpSpec spec;
    spec.width = 4, spec.height = 3, spec.bitCount = 8, spec.palette.assign(16, 0);
    spec.pixelData.assign(12, 1);
    QByteArray bmp = FormatWriters::Bmp(spec);
    const qint32 height = -((1 << 25) + 2);
    std::memcpy(bmp.data() + 22, &height, 4);
    return bmp;
}

QByteArray TiffBomb() {
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto le16 = [&](quint32 v) { tiff.append(char(v)).append(char(v >> 8)); };
    auto le32 = [&](quint32 v) { le16(v & 0xFFFF), le16(v >> 16); };
    const quint32 entries[][2] = {{256, kSide}, {257, kSide}, {258, 8},
                                  {259, 5},     {262, 1},     {273, 8 + 2 + 7 * 12 + 4},
                                  {279, 64}};
    le16(7);
    for (const auto& e : entries) le16(e[0]), le16(4), le32(1), le32(e[1]);
    le32(0);
    return tiff + QByteArray(64, '\x80');
}

// One load in this process: prints "ms mb loaded".
int RunContender(const QString& path, int useWic) {
    std::unique_ptr<CodecFactory> codecs = CodecFactory::Create();
    const ImagingServices services{useWic, codecs.get(), true};
    // Warm up: plug-ins and libraries loaded, so the baseline holds them.
    const QString warm = QDir::tempPath() + "/oblimo-bomb-bench-warm.png";
    Bench::PhotoLikeImage(64, 64).save(warm);
    LoadImageFromFile(warm, services);
    QFile::remove(warm);
    const double baseline = Bench::StatusMb("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak (VmHWM)
    const double start = Bench::NowMs();
    const bool loaded = LoadImageFromFile(path, services) != nullptr;
    const double ms = Bench::NowMs() - start;
    std::printf("%.4f %.1f %d\n", ms, Bench::StatusMb("VmHWM") - baseline, int(loaded));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == "--contender")
        return RunContender(arguments.value(1), arguments.value(2).toInt());

    QTemporaryDir folder;
    const QString photo = folder.path() + "/photo-24mp.jpg";
    {
        QImageWriter writer(photo, "jpeg");
        writer.setQuality(90);
        writer.write(Bench::PhotoLikeImage(6000, 4000));
    }
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"progressive JPEG", JpegBomb(true)},
                 {"baseline JPEG", JpegBomb(false)},
                 {"PNG", PngBomb()},
                 {"GIF", GifBomb()},
                 {"GIF far frame", GifFarFrameBomb()},
                 {"tall BMP", TallBmpBomb()},
                 {"LZW TIFF", TiffBomb()}};
    std::printf("bombs claim %d x %d; each load in a fresh process\n", kSide, kSide);
    std::printf("%-22s %7s %-26s %9s %12s %s\n", "file", "bytes", "component", "time ms",
                "peak MB above", "result");
    double worstMs = 0, worstMb = 0, photoMs = 0;
    auto run = [&](const char* name, const QString& path, qint64 bytes, bool bomb) {
        for (int useWic : {0, 1, 2}) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {"--contender", path, QString::number(useWic)});
            child.waitForFinished(-1);
            const QStringList f = QString::fromLatin1(child.readAllStandardOutput()).split(' ');
            if (child.exitCode() != 0 || f.size() != 3) {
                std::printf("%s UseWIC %d failed\n", name, useWic);
                continue;
            }
            const double ms = f[0].toDouble(), mb = f[1].toDouble();
            if (bomb) worstMs = std::max(worstMs, ms), worstMb = std::max(worstMb, mb);
            if (!bomb) photoMs = std::max(photoMs, ms);
            const char* component = useWic == 0   ? "UseWIC 0 (Qt image I/O)"
                                    : useWic == 1 ? "UseWIC 1 (both, default)"
                                                  : "UseWIC 2 (codec libraries)";
            std::printf("%-22s %7lld %-26s %9.3f %12.1f %s\n", name, bytes, component, ms, mb,
                        f[2].trimmed() == "1" ? "loaded" : "refused");
        }
    };
    for (const auto& file : files) {
        const QString path = folder.path() + "/bomb";
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(file.bytes);
        out.close();
        run(file.name, path, file.bytes.size(), true);
    }
    run("real 24 MP JPEG", photo, QFile(photo).size(), false);
    std::printf("worst bomb: %.3f ms, %.1f MB above baseline (goal: < 500 ms, < 50 MB)\n", worstMs,
                worstMb);
    std::printf("worst bomb against the slowest load of the real 24 MP JPEG: %.5fx\n",
                photoMs > 0 ? worstMs / photoMs : 0.0);
    return 0;
}
