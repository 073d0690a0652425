#pragma once

#include <QImage>
#include <QString>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

// Small helpers shared by the benchmarks: timing, memory readings from /proc,
// and a photo-like test image (smooth gradients with fine noise, so that codecs
// work about as hard as on a real scan).
namespace Bench {

inline double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// A field of /proc/self/status in megabytes (VmRSS now, VmHWM the peak so far).
inline double StatusMb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) / 1024.0;
    return 0.0;
}

inline QImage PhotoLikeImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const int r = std::clamp(x * 255 / width + noise, 0, 255);
            const int g = std::clamp(y * 255 / height + noise, 0, 255);
            const int b = std::clamp(((x + y) / 7) % 256 + noise, 0, 255);
            row[x] = 0xFF000000u | quint32(r) << 16 | quint32(g) << 8 | quint32(b);
        }
    }
    return image;
}

}  // namespace Bench
