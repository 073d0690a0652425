#include "SkewDetector.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "EdgePoints.h"
#include "GreyReduction.h"
#include "ProjectionSearch.h"

namespace {
// The reduced copy's longer side: 1600 pixels keep the text of a 600 dpi page
// legible and its lines several pixels apart, and cost a fraction of a second
// even for a large scan.
constexpr int kReducedLongSide = 1600;
// More points add little precision and cost time in every angle tried.
constexpr std::size_t kMaxPoints = 250000;
// The coarse search only has to land near the peak: an even pick of this
// many points finds it as surely as all of them, at a fraction of the cost.
constexpr std::size_t kMaxCoarsePoints = 30000;
// Fewer than this many edge points is not a page with anything on it.
constexpr std::size_t kMinPoints = 400;
// The coarse search tries every kCoarseStep degrees; a line of text across
// the reduced page keeps a clear peak within half of that.
constexpr double kCoarseStep = 0.25;
constexpr double kCoarseMargin = 1.0;
constexpr double kFineHalfWidth = 0.3;
constexpr double kFineStep = 0.02;
// Half-pixel rows near the peak: the points lie between pixel rows (see
// EdgePoints), and finer rows tell neighbouring angles apart better.
constexpr float kFineBin = 0.5f;
constexpr int kFitHalfWidth = 3;  // samples either side of the best in the fit

std::vector<double> AngleGrid(double from, double to, double step) {
    std::vector<double> angles;
    const int count = int(std::floor((to - from) / step + 1e-9)) + 1;
    for (int i = 0; i < count; ++i) angles.push_back(from + i * step);
    return angles;
}

EdgePoints EvenPick(const EdgePoints& points, std::size_t count) {
    if (points.Size() <= count) return points;
    EdgePoints picked;
    picked.radius = points.radius;
    const double step = double(points.Size()) / double(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t k = std::size_t(double(i) * step);
        picked.x.push_back(points.x[k]);
        picked.y.push_back(points.y[k]);
    }
    return picked;
}

std::size_t ArgMax(const std::vector<double>& values) {
    return std::size_t(std::max_element(values.begin(), values.end()) - values.begin());
}

double Median(std::vector<double> values) {
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// How clearly the best angle of the coarse search stands out: its excess over
// the typical angle, compared with the typical angle and with the best rival
// at least two degrees away (lines in two directions, or a periodic pattern,
// make such a rival).
float Confidence(const std::vector<double>& angles, const std::vector<double>& scores,
                 std::size_t best) {
    const double typical = Median(scores);
    const double peak = scores[best];
    if (!(typical > 0.0) || !(peak > typical)) return 0.0f;
    double rival = typical;
    for (std::size_t i = 0; i < scores.size(); ++i)
        if (std::abs(angles[i] - angles[best]) >= 2.0) rival = std::max(rival, scores[i]);
    const double contrast = peak / typical - 1.0;                         // 0 for a flat search
    const double dominance = 1.0 - (rival - typical) / (peak - typical);  // 0 for a tie
    // A page of text reaches a contrast of several; noise stays near 0.1.
    const double fromContrast = std::clamp((contrast - 0.15) / 0.35, 0.0, 1.0);
    const double fromDominance = std::clamp(dominance / 0.3, 0.0, 1.0);
    return float(std::min(fromContrast, fromDominance));
}
}  // namespace

SkewEstimate DetectSkew(const QImage& image, const SkewView& view) {
    if (image.isNull() || image.width() < 16 || image.height() < 16) return {};
    const int factor = ReductionFactor(image.width(), image.height(), kReducedLongSide);
    const GreyImage grey = ReduceToGrey(image, factor);
    const EdgePoints points = FindEdgePoints(grey, view.flipX, view.flipY, kMaxPoints);
    if (points.Size() < kMinPoints) return {};

    const double base = view.baseAngle;
    // The coarse grid reaches a degree beyond the range, so that a page
    // turned by the whole range still has its peak inside the grid.
    const std::vector<double> coarse =
        AngleGrid(base - kSkewSearchRange - kCoarseMargin, base + kSkewSearchRange + kCoarseMargin,
                  kCoarseStep);
    const std::vector<double> coarseScores =
        ProfileSharpness(EvenPick(points, kMaxCoarsePoints), coarse, 1.0f);
    const std::size_t best = ArgMax(coarseScores);
    SkewEstimate estimate;
    estimate.confidence = Confidence(coarse, coarseScores, best);
    // A best angle at the end of the range may lie beyond it.
    if (best == 0 || best + 1 == coarse.size()) estimate.confidence = 0.0f;

    // The fine window follows the peak should it lie at the window's edge (a
    // broad peak, as pen strokes make, can lead the coarse search a little
    // astray).
    double centre = coarse[best];
    std::vector<double> fine, fineScores;
    std::size_t fineBest = 0;
    for (int shift = 0; shift < 4; ++shift) {
        fine = AngleGrid(centre - kFineHalfWidth, centre + kFineHalfWidth, kFineStep);
        fineScores = ProfileSharpness(points, fine, kFineBin);
        fineBest = ArgMax(fineScores);
        if (fineBest != 0 && fineBest + 1 != fine.size()) break;
        centre = fine[fineBest];
    }
    const std::size_t from = fineBest >= kFitHalfWidth ? fineBest - kFitHalfWidth : 0;
    const std::size_t to = std::min(fine.size(), fineBest + kFitHalfWidth + 1);
    const std::vector<double> fitX(fine.begin() + std::ptrdiff_t(from),
                                   fine.begin() + std::ptrdiff_t(to));
    const std::vector<double> fitY(fineScores.begin() + std::ptrdiff_t(from),
                                   fineScores.begin() + std::ptrdiff_t(to));
    const double angle = fitX.size() >= 3 ? ParabolaPeak(fitX, fitY) : fine[fineBest];
    estimate.correction = float(angle - base);
    return estimate;
}
