// Tiny files that claim huge images (23170 x 23170, just under the program's
// pixel limit), each loaded in a fresh child process through each component:
// the time until the file is refused and the peak memory above the process's
// baseline (peak reset just before the load). For scale, the same process also
// loads a real 6000 x 4000 JPEG. Goal: every bomb refused in under 500 ms with
// under 50 MB above the baseline.
//
//   oblimo-bomb-bench

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
#include "support/BombFiles.h"

namespace {
constexpr int kSide = 23170;

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
    } files[] = {{"progressive JPEG", BombFiles::JpegClaiming(kSide, kSide, true)},
                 {"baseline JPEG", BombFiles::JpegClaiming(kSide, kSide, false)},
                 {"PNG", BombFiles::PngClaiming(kSide, kSide)},
                 {"GIF", BombFiles::GifClaiming(kSide, kSide)},
                 {"GIF far frame", BombFiles::GifFramePlacedAt(kSide, 0, 100, kSide - 1)},
                 {"tall BMP", BombFiles::BmpOfManyRows()},
                 {"LZW TIFF", BombFiles::TiffClaiming(kSide, kSide)}};
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
