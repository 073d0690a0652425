// Loads a 24-megapixel JPEG (6000 x 4000) through each imaging component and,
// for comparison, through bare libjpeg-turbo into BGRA. Each contender runs in
// a fresh child process so its peak memory is its own: the first load gives
// the peak above the process's baseline, the following ones the time.
//
//   oblimo-load-bench [IMAGE.jpg] [--runs N]

#include <turbojpeg.h>
#include <unistd.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "document/ImageLoader.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ImageAllocation.h"

namespace {
// Bare libjpeg-turbo into BGRA. hugePages: the output buffer is allocated as
// the program allocates large images, so that only the decoding differs.
bool LoadWithTurboJpeg(const QString& path, bool hugePages) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    bool ok = tjDecompressHeader3(handle, data, (unsigned long)bytes.size(), &width, &height,
                                  &subsampling, &colorspace) == 0;
    std::vector<unsigned char> plain;
    QImage large;
    unsigned char* pixels = nullptr;
    if (hugePages) {
        large = AllocateLargeImage(width, height, QImage::Format_ARGB32);
        pixels = large.bits();
    } else {
        plain.resize(std::size_t(width) * height * 4);
        pixels = plain.data();
    }
    ok = ok && tjDecompress2(handle, data, (unsigned long)bytes.size(), pixels, width, width * 4,
                             height, TJPF_BGRA, 0) == 0;
    tjDestroy(handle);
    return ok;
}

// One contender: N loads; prints "median_ms peak_mb".
int RunContender(const QString& mode, const QString& path, int runs) {
    std::unique_ptr<CodecFactory> codecs = CodecFactory::Create();
    ImagingServices services{mode == "component2" ? 2 : 0, codecs.get(), true};
    const double baseline = Bench::StatusMb("VmRSS");
    double peak = 0;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = Bench::NowMs();
        bool ok = false;
        if (mode.startsWith("libjpeg-turbo")) {
            ok = LoadWithTurboJpeg(path, mode == "libjpeg-turbo-huge");
            if (i == 0) peak = Bench::StatusMb("VmHWM") - baseline;
        } else {
            HolderPtr image = LoadImageFromFile(path, services);
            ok = image != nullptr;
            if (i == 0) peak = Bench::StatusMb("VmHWM") - baseline;
        }
        times.push_back(Bench::NowMs() - start);
        if (!ok) return 1;
    }
    std::printf("%.2f %.1f\n", Bench::Median(times), peak);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == "--contender")
        return RunContender(arguments.value(1), arguments.value(2), arguments.value(3).toInt());

    int runs = 9;
    const int runsAt = int(arguments.indexOf("--runs"));
    if (runsAt >= 0) {
        runs = arguments.value(runsAt + 1).toInt();
        arguments.remove(runsAt, 2);
    }
    QTemporaryDir folder;
    QString path = arguments.value(0);
    if (path.isEmpty()) {
        path = folder.path() + "/photo-24mp.jpg";
        QImageWriter writer(path, "jpeg");
        writer.setQuality(90);
        writer.write(Bench::PhotoLikeImage(6000, 4000));
    }
    std::printf("image: %s (%lld bytes), %d runs each, median\n", qPrintable(path),
                QFile(path).size(), runs);

    struct Row {
        const char* mode;
        double ms = 0, mb = 0;
    } rows[] = {{"libjpeg-turbo"}, {"libjpeg-turbo-huge"}, {"component2"}, {"component1"}};
    for (Row& row : rows) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--contender", row.mode, path, QString::number(runs)});
        child.waitForFinished(-1);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).split(' ');
        if (child.exitCode() != 0 || fields.size() != 2) {
            std::printf("%s failed\n", row.mode);
            return 1;
        }
        row.ms = fields[0].toDouble();
        row.mb = fields[1].toDouble();
    }
    const double bgraMb = 6000.0 * 4000 * 4 / (1024 * 1024);
    std::printf("%-28s %10s %8s %14s\n", "decoder", "time ms", "ratio", "peak MB above");
    for (const Row& row : rows)
        std::printf("%-28s %10.1f %7.2fx %14.1f\n",
                    row.mode == std::string("libjpeg-turbo")        ? "bare libjpeg-turbo (BGRA)"
                    : row.mode == std::string("libjpeg-turbo-huge") ? "bare, huge-page buffer"
                    : row.mode == std::string("component2")         ? "component 2 (libjpeg-turbo)"
                                                                     : "component 1 (Qt image I/O)",
                    row.ms, row.ms / rows[0].ms, row.mb);
    std::printf("goals: component 2 <= 1.15x, component 1 <= 1.5x, peak <= %.0f MB (1.5 x %.0f MB)\n",
                1.5 * bgraMb, bgraMb);
    std::printf("against the huge-page bare decode: component 2 %.2fx, component 1 %.2fx\n",
                rows[2].ms / rows[1].ms, rows[3].ms / rows[1].ms);
    return 0;
}
