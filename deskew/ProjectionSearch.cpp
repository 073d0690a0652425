#include "ProjectionSearch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ParallelFor.h"

double ProfileSharpness(const EdgePoints& points, double angle, float binSize) {
    const std::size_t n = points.Size();
    if (n == 0) return 0.0;
    const double radians = angle * std::numbers::pi / 180.0;
    const float inverse = 1.0f / binSize;
    const float s = float(std::sin(radians)) * inverse;
    const float c = float(std::cos(radians)) * inverse;
    const int bins = int(std::ceil(2.0f * points.radius * inverse)) + 4;
    const float offset = points.radius * inverse + 1.0f;
    std::vector<float> rows(std::size_t(bins), 0.0f);
    const float* xs = points.x.data();
    const float* ys = points.y.data();
    float* r = rows.data();
    for (std::size_t i = 0; i < n; ++i) {
        const float position = xs[i] * s + ys[i] * c + offset;
        const int row = int(position);
        const float upper = position - float(row);
        r[row] += 1.0f - upper;
        r[row + 1] += upper;
    }
    double sum = 0.0;
    for (int i = 1; i < bins; ++i) {
        const double d = double(r[i]) - double(r[i - 1]);
        sum += d * d;
    }
    return sum;
}

std::vector<double> ProfileSharpness(const EdgePoints& points, const std::vector<double>& angles,
                                     float binSize) {
    std::vector<double> scores(angles.size(), 0.0);
    // Each angle costs one pass over the points; a few angles per thread
    // already pay for starting it.
    ParallelFor(int(angles.size()), 4, [&](int begin, int end) {
        for (int i = begin; i < end; ++i)
            scores[std::size_t(i)] = ProfileSharpness(points, angles[std::size_t(i)], binSize);
    });
    return scores;
}

double ParabolaPeak(const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return 0.0;
    const double middle = x[n / 2];
    if (n < 3) return middle;
    // Fit y = a t^2 + b t + c with t = x - middle, by the normal equations.
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, t0 = 0, t1 = 0, t2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = x[i] - middle, t2v = t * t;
        s0 += 1, s1 += t, s2 += t2v, s3 += t2v * t, s4 += t2v * t2v;
        t0 += y[i], t1 += y[i] * t, t2 += y[i] * t2v;
    }
    // Cramer's rule on [[s4 s3 s2][s3 s2 s1][s2 s1 s0]] (a b c) = (t2 t1 t0).
    auto det3 = [](double a, double b, double c, double d, double e, double f, double g, double h,
                   double k) {
        return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    };
    const double d = det3(s4, s3, s2, s3, s2, s1, s2, s1, s0);
    if (d == 0.0) return middle;
    const double a = det3(t2, s3, s2, t1, s2, s1, t0, s1, s0) / d;
    const double b = det3(s4, t2, s2, s3, t1, s1, s2, t0, s0) / d;
    if (!(a < 0.0)) return middle;
    const double peak = middle - b / (2.0 * a);
    const auto [lo, hi] = std::minmax_element(x.begin(), x.begin() + std::ptrdiff_t(n));
    if (!(peak >= *lo && peak <= *hi)) return middle;
    return peak;
}
