// The skew detector on the made-up scans of the test set.
//
//   oblimo-deskew-pages measure [RUNS]
//       detects each page in this process: error against the truth, confidence
//       and the median time of RUNS detections (default 5), with the load.
//   oblimo-deskew-pages random COUNT [SEED]
//       detects COUNT pages drawn at random from SEED and lists those off by
//       more than 0.05 degrees.
//   oblimo-deskew-pages write DIR
//       writes every page as DIR/NN-layout.png (or .jpg when the page went
//       through JPEG) and DIR/truth.tsv: file, correction, megapixels; the
//       nothing-to-measure images have the correction "none".

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "deskew/SkewDetector.h"
#include "support/SkewedPages.h"

namespace {
struct Page {
    QString name;
    QImage image;
    bool measurable = true;
    double correction = 0.0;
    int jpegQuality = 0;
};

std::vector<Page> AllPages() {
    std::vector<Page> pages;
    int index = 0;
    for (const SkewedPages::PageSpec& spec : SkewedPages::StandardSet()) {
        pages.push_back({QStringLiteral("%1-%2-%3dpi")
                             .arg(index++, 2, 10, QLatin1Char('0'))
                             .arg(SkewedPages::LayoutName(spec.layout))
                             .arg(spec.dpi),
                         SkewedPages::MakeScan(spec), true, -spec.skew, spec.jpegQuality});
    }
    // A camera's or a 400 dpi scanner's page: 24 megapixels.
    {
        SkewedPages::PageSpec spec;
        spec.layout = SkewedPages::Layout::TwoColumns;
        spec.skew = -3.21;
        spec.dpi = 300;
        spec.jpegQuality = 85;
        spec.seed = 99;
        pages.push_back(
            {QStringLiteral("%1-two-columns-24mp").arg(index++, 2, 10, QLatin1Char('0')),
             // Scaled alike in both directions, which keeps the angle.
             SkewedPages::MakeScan(spec).scaledToWidth(4100, Qt::SmoothTransformation), true,
             -spec.skew, spec.jpegQuality});
    }
    for (auto kind : {SkewedPages::Blank::WhitePage, SkewedPages::Blank::SmoothPhoto,
                      SkewedPages::Blank::Noise, SkewedPages::Blank::SoftBlobs})
        pages.push_back({QStringLiteral("%1-%2")
                             .arg(index++, 2, 10, QLatin1Char('0'))
                             .arg(SkewedPages::BlankName(kind)),
                         SkewedPages::MakeBlank(kind, 1240, 1754, 7), false, 0.0, 80});
    return pages;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

int Measure(int runs) {
    std::printf("load average: %s\n", LoadAverage().c_str());
    std::printf("%-32s %8s %9s %9s %6s %9s\n", "page", "MP", "truth", "found", "conf", "ms");
    int within = 0, measurable = 0, refused = 0, blanks = 0;
    double worst = 0.0, totalMs = 0.0, totalMp = 0.0, largest = 0.0;
    for (const Page& page : AllPages()) {
        std::vector<double> times;
        SkewEstimate estimate;
        for (int r = 0; r < runs; ++r) {
            const auto start = std::chrono::steady_clock::now();
            estimate = DetectSkew(page.image);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::sort(times.begin(), times.end());
        const double mp = page.image.width() * double(page.image.height()) / 1e6;
        const double ms = times[times.size() / 2];
        if (mp > 20.0) {
            largest = ms;
        } else if (page.measurable) {
            totalMs += ms, totalMp += mp;
        }
        if (page.measurable) {
            ++measurable;
            const double error = std::abs(estimate.correction - page.correction);
            if (estimate.Found() && error <= 0.1) ++within;
            worst = std::max(worst, estimate.Found() ? error : 99.0);
            std::printf("%-32s %8.2f %9.3f %9.3f %6.2f %9.1f  err %.3f%s\n",
                        page.name.toUtf8().constData(), mp, page.correction, estimate.correction,
                        estimate.confidence, times[times.size() / 2], error,
                        estimate.Found() ? "" : "  REFUSED");
        } else {
            ++blanks;
            if (!estimate.Found()) ++refused;
            std::printf("%-32s %8.2f %9s %9.3f %6.2f %9.1f  %s\n", page.name.toUtf8().constData(),
                        mp, "none", estimate.correction, estimate.confidence,
                        times[times.size() / 2], estimate.Found() ? "WRONGLY FOUND" : "refused");
        }
    }
    std::printf(
        "within 0.1 degrees: %d of %d; worst error %.3f; nothing-to-measure refused: %d of %d\n",
        within, measurable, worst, refused, blanks);
    std::printf(
        "detector alone, median of %d runs: %.1f ms per 2.5 megapixels (pages up to 5.1 MP), "
        "%.1f ms for the 24-megapixel page\n",
        runs, totalMs / totalMp * 2.5, largest);
    std::printf("load average: %s\n", LoadAverage().c_str());
    return 0;
}

// Pages drawn at random (layout, angle, resolution, bed, border, JPEG) from
// the seed: beyond the fixed set, to see how the detector fares on pages it
// was never looked at with.
int MeasureRandom(int count, unsigned seed) {
    std::mt19937 random(seed);
    const int resolutions[] = {100, 150, 200, 300, 400, 600};
    int within = 0;
    double worst = 0.0;
    for (int i = 0; i < count; ++i) {
        SkewedPages::PageSpec spec;
        spec.layout = SkewedPages::Layout(std::uniform_int_distribution<int>(0, 7)(random));
        spec.skew = std::uniform_real_distribution<double>(-20.0, 20.0)(random);
        spec.dpi = resolutions[std::uniform_int_distribution<int>(0, 5)(random)];
        const int bed = std::uniform_int_distribution<int>(0, 5)(random);
        spec.bedGrey = bed == 0 ? 30 : bed == 1 ? 190 : 255;
        spec.darkBorder = std::uniform_int_distribution<int>(0, 4)(random) == 0;
        spec.jpegQuality = std::uniform_int_distribution<int>(0, 1)(random) ? 75 : 0;
        spec.seed = random();
        const SkewEstimate estimate = DetectSkew(SkewedPages::MakeScan(spec));
        const double error = estimate.Found() ? std::abs(estimate.correction + spec.skew) : 99.0;
        worst = std::max(worst, error);
        if (error <= 0.1) ++within;
        if (error > 0.05)
            std::printf(
                "%-12s %3d dpi bed %3d border %d jpeg %2d skew %8.3f found %8.3f conf %.2f\n",
                SkewedPages::LayoutName(spec.layout).toUtf8().constData(), spec.dpi, spec.bedGrey,
                int(spec.darkBorder), spec.jpegQuality, spec.skew, estimate.correction,
                estimate.confidence);
    }
    std::printf("random pages within 0.1 degrees: %d of %d; worst error %.3f\n", within, count,
                worst);
    return 0;
}

int Write(const QString& folder) {
    QDir().mkpath(folder);
    QFile truth(folder + QStringLiteral("/truth.tsv"));
    if (!truth.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    QTextStream out(&truth);
    for (const Page& page : AllPages()) {
        const bool jpeg = page.jpegQuality > 0;
        const QString file = page.name + (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
        // A page that went through JPEG is written as that JPEG at a high
        // quality, so the file shows what the detector saw.
        if (!page.image.save(folder + QLatin1Char('/') + file, jpeg ? "JPG" : "PNG",
                             jpeg ? 95 : -1))
            return 1;
        out << file << '\t'
            << (page.measurable ? QString::number(page.correction, 'f', 3) : QStringLiteral("none"))
            << '\t'
            << QString::number(page.image.width() * double(page.image.height()) / 1e6, 'f', 2)
            << '\n';
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() >= 2 && arguments[1] == QLatin1String("measure"))
        return Measure(arguments.size() >= 3 ? std::max(1, arguments[2].toInt()) : 5);
    if (arguments.size() == 3 && arguments[1] == QLatin1String("write")) return Write(arguments[2]);
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("random"))
        return MeasureRandom(std::max(1, arguments[2].toInt()),
                             arguments.size() >= 4 ? arguments[3].toUInt() : 1u);
    std::fprintf(stderr,
                 "usage: oblimo-deskew-pages measure [RUNS] | random COUNT [SEED] | write DIR\n");
    return 2;
}
