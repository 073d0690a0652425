// The in-memory render alone: a 24-megapixel image (6000 x 4000) turned by 10
// degrees into its default frame, against the memory floor (one pass over as
// many threads that reads the whole source and writes the whole output).
//
//   oblimo-render-bench [--runs N] [--angle A] [--format argb32|rgb24]
//
// Prints the median times, their ratio and the output size, and each of the
// opaque interior loops' own processor time on one thread. The OpenCV
// comparison lives in bench/render-comparison.sh.

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "document/OutputRenderer.h"
#include "document/RenderKernels.h"
#include "platform/imaging/ImageAllocation.h"

namespace {
double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double MemoryFloorMs(const QImage& source, int outWidth, int outHeight, int bytesPerPixel) {
    // The same kind of allocation as the renderer's, so both pay the same faults.
    QImage output = AllocateLargeImage(
        outWidth, outHeight, bytesPerPixel == 4 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<quint64> sinks(std::size_t(threads) * 8);
    const double start = Bench::NowMs();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            quint64 sum = 0;
            const int height = source.height(), pairs = source.width() / 2;
            for (int y = t; y < height; y += threads) {
                const auto* row = reinterpret_cast<const quint64*>(source.constScanLine(y));
                for (int x = 0; x < pairs; ++x) sum ^= row[x];
            }
            for (int y = t; y < outHeight; y += threads)
                std::memset(output.scanLine(y), int(y), std::size_t(outWidth) * bytesPerPixel);
            sinks[std::size_t(t) * 8] = sum;
        });
    for (auto& worker : workers) worker.join();
    return Bench::NowMs() - start;
}
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The opaque interior loops alone, one thread, into an output that stays
// allocated: 3000 x 2000 pixels turned by the given angle out of the middle
// of the photo (every sample's neighbours inside, as the renderer's interior
// spans are). Prints each loop's processor time per output pixel.
void KernelTimes(const QImage& photo, float angle, int runs, int bytesPerPixel) {
    constexpr int kWidth = 3000, kHeight = 2000;
    const SourcePixels source{photo.constBits(), photo.bytesPerLine(), photo.width(),
                              photo.height()};
    const double c = std::cos(angle * M_PI / 180.0), s = std::sin(angle * M_PI / 180.0);
    const auto fixed = [](double v) { return std::int64_t(std::llround(v * 4294967296.0)); };
    std::vector<std::uint8_t> out(std::size_t(kWidth) * kHeight * bytesPerPixel);
    const auto walkOf = [&](int y) {
        // Output pixel (x, y) samples the source at the centre plus the turned offset.
        const double ox = -kWidth / 2.0, oy = y - kHeight / 2.0;
        return RowWalk{fixed(photo.width() / 2.0 + ox * c - oy * s),
                       fixed(photo.height() / 2.0 + ox * s + oy * c), fixed(c), fixed(s)};
    };
    using Loop = bool (*)(const SourcePixels&, RowWalk, int, int, std::uint8_t*);
    const Loop portable = [](const SourcePixels& p, RowWalk w, int n, int b, std::uint8_t* o) {
        RenderSpanOpaqueInteriorPortable(p, w, n, b, o);
        return true;
    };
    const struct {
        const char* name;
        Loop loop;
    } loops[] = {{"portable", portable},
                 {"AVX2", RenderSpanOpaqueInteriorAvx2},
                 {"AVX-512", RenderSpanOpaqueInteriorAvx512}};
    for (const auto& entry : loops) {
        std::vector<double> cpu;
        bool ran = true;
        for (int run = 0; run < std::max(3, runs / 3) && ran; ++run) {
            const double start = ThreadCpuMs();
            for (int y = 0; y < kHeight && ran; ++y)
                ran = entry.loop(source, walkOf(y), kWidth, bytesPerPixel,
                                 out.data() + std::size_t(y) * kWidth * bytesPerPixel);
            cpu.push_back(ThreadCpuMs() - start);
        }
        if (!ran) {
            std::printf("loop %-9s not on this processor\n", entry.name);
            continue;
        }
        std::printf("loop %-9s %8.2f ms processor time (%.2f ns per output pixel)\n", entry.name,
                    Bench::Median(cpu), Bench::Median(cpu) * 1e6 / (double(kWidth) * kHeight));
    }
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const auto option = [&](const char* name, const QString& fallback) {
        const int at = int(arguments.indexOf(name));
        return at >= 0 ? arguments.value(at + 1) : fallback;
    };
    const int runs = option("--runs", "15").toInt();
    const float angle = option("--angle", "10").toFloat();
    const bool argb = option("--format", "argb32") == "argb32";

    const QImage photo = Bench::PhotoLikeImage(6000, 4000).convertToFormat(QImage::Format_ARGB32);
    CUndoItem params;
    params.m_image = MakeHolder({photo, 96, 96});
    params.m_angle = angle;
    const FrameRect frame = DefaultTrimFrame(6000, 4000, angle);
    const TrimSize trim = ComputeTrimSize(frame, params);
    params.m_trimLeft = frame.left, params.m_trimTop = frame.top;
    params.m_trimWidth = params.m_resultWidth = trim.width;
    params.m_trimHeight = params.m_resultHeight = trim.height;
    params.m_scaleX = params.m_scaleY = 1.0;
    const auto renderer =
        OutputRenderer::Create(params, params.m_image, MarginColor{},
                               argb ? OutputPixelFormat::Argb32 : OutputPixelFormat::Rgb24);
    // Wall time, and the processor time of all threads together (includes the
    // page faults of the new buffers; on a loaded machine it is the steadier of
    // the two, as waiting for a core does not count).
    std::vector<double> renderTimes, floorTimes, renderCpu, floorCpu;
    for (int i = 0; i < runs; ++i) {
        double cpu = ProcessCpuMs();
        const double start = Bench::NowMs();
        {
            const QImage out = renderer->RenderImage();
            renderTimes.push_back(Bench::NowMs() - start);
            renderCpu.push_back(ProcessCpuMs() - cpu);
            if (out.isNull()) return 1;
        }
        cpu = ProcessCpuMs();
        floorTimes.push_back(MemoryFloorMs(photo, trim.width, trim.height, argb ? 4 : 3));
        floorCpu.push_back(ProcessCpuMs() - cpu);
    }
    const double render = Bench::Median(renderTimes), floor = Bench::Median(floorTimes);
    // One thread's processor time for the whole image: steadier than wall time
    // when other work shares the machine.
    {
        QImage single(trim.width, trim.height,
                      argb ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        std::vector<double> cpu;
        for (int i = 0; i < std::max(3, runs / 3); ++i) {
            timespec a{}, b{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
            renderer->RenderRows(0, trim.height, single.bits(), single.bytesPerLine());
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
            cpu.push_back((b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6);
        }
        std::printf("one thread    %8.2f ms processor time (%.2f ns per output pixel)\n",
                    Bench::Median(cpu),
                    Bench::Median(cpu) * 1e6 / (double(trim.width) * trim.height));
    }
    KernelTimes(photo, angle, runs, argb ? 4 : 3);
    std::printf("source 6000x4000, angle %.2f, output %dx%d %s, %u threads, %d runs (median)\n",
                angle, trim.width, trim.height, argb ? "ARGB32" : "24-bit",
                std::thread::hardware_concurrency(), runs);
    std::printf("render        %8.2f ms\nmemory floor  %8.2f ms\nratio         %8.2fx\n", render,
                floor, render / floor);
    const double cpuRender = Bench::Median(renderCpu), cpuFloor = Bench::Median(floorCpu);
    std::printf("processor time, all threads: render %.2f ms, memory floor %.2f ms, ratio %.2fx\n",
                cpuRender, cpuFloor, cpuRender / cpuFloor);
    std::printf("load average %s", [] {
        static char text[128] = "?\n";
        if (FILE* file = std::fopen("/proc/loadavg", "r")) {
            if (!std::fgets(text, sizeof text, file)) std::strcpy(text, "?\n");
            std::fclose(file);
        }
        return text;
    }());
    return 0;
}
