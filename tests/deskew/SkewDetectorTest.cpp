// The skew detector on made-up scans of known skew: every page of the set
// within 0.1 degrees, images without lines refused, and the displayed image's
// flips and angle taken into account.

#include <gtest/gtest.h>

#include <QPainter>
#include <QTransform>
#include <cmath>

#include "deskew/SkewDetector.h"
#include "support/SkewedPages.h"

namespace {
using SkewedPages::PageSpec;

std::string SpecName(const testing::TestParamInfo<PageSpec>& info) {
    const PageSpec& spec = info.param;
    std::string name = SkewedPages::LayoutName(spec.layout).toStdString() + "_" +
                       std::to_string(spec.dpi) + "dpi_" + std::to_string(info.index);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class SkewedPageTest : public testing::TestWithParam<PageSpec> {};

TEST_P(SkewedPageTest, FindsTheCorrectionWithinATenthOfADegree) {
    const PageSpec& spec = GetParam();
    const SkewEstimate estimate = DetectSkew(SkewedPages::MakeScan(spec));
    EXPECT_TRUE(estimate.Found()) << "confidence " << estimate.confidence;
    EXPECT_NEAR(estimate.correction, -spec.skew, 0.1)
        << "skew " << spec.skew << ", bed " << spec.bedGrey << ", dark border " << spec.darkBorder
        << ", JPEG " << spec.jpegQuality;
}

INSTANTIATE_TEST_SUITE_P(StandardSet, SkewedPageTest, testing::ValuesIn(SkewedPages::StandardSet()),
                         SpecName);

struct BlankCase {
    SkewedPages::Blank kind;
    int width, height;
};

class NothingToMeasureTest : public testing::TestWithParam<BlankCase> {};

TEST_P(NothingToMeasureTest, IsRefused) {
    const BlankCase& blank = GetParam();
    const SkewEstimate estimate =
        DetectSkew(SkewedPages::MakeBlank(blank.kind, blank.width, blank.height, 11));
    EXPECT_FALSE(estimate.Found())
        << "confidence " << estimate.confidence << " at " << estimate.correction;
}

INSTANTIATE_TEST_SUITE_P(
    Images, NothingToMeasureTest,
    testing::Values(BlankCase{SkewedPages::Blank::WhitePage, 1240, 1754},
                    BlankCase{SkewedPages::Blank::SmoothPhoto, 2000, 1500},
                    BlankCase{SkewedPages::Blank::Noise, 1200, 900},
                    BlankCase{SkewedPages::Blank::SoftBlobs, 1600, 1200},
                    BlankCase{SkewedPages::Blank::WhitePage, 300, 200}),
    [](const testing::TestParamInfo<BlankCase>& info) {
        return SkewedPages::BlankName(info.param.kind).replace('-', '_').toStdString() + "_" +
               std::to_string(info.index);
    });

TEST(SkewDetectorTest, EmptyAndTinyImagesHaveNothingToMeasure) {
    EXPECT_FALSE(DetectSkew(QImage()).Found());
    QImage tiny(8, 8, QImage::Format_ARGB32);
    tiny.fill(Qt::black);
    EXPECT_FALSE(DetectSkew(tiny).Found());
}

// The page as the editor shows it: mirrored, then turned by the angle already
// set. The correction is what remains to be added to that angle.
struct ViewCase {
    bool flipX, flipY;
    float baseAngle;
};

class DisplayedImageTest : public testing::TestWithParam<ViewCase> {};

TEST_P(DisplayedImageTest, CorrectionIsRelativeToTheDisplayedImage) {
    PageSpec spec;
    spec.layout = SkewedPages::Layout::Letter;
    spec.skew = 6.3;
    spec.seed = 77;
    const QImage scan = SkewedPages::MakeScan(spec);
    const ViewCase& view = GetParam();
    // Mirroring negates the page's skew; the angle already set takes its part.
    const double mirrored = (view.flipX != view.flipY) ? -spec.skew : spec.skew;
    // Lines are level upside down too: the correction is the one within a
    // quarter turn.
    double expected = std::remainder(-mirrored - view.baseAngle, 180.0);
    const SkewEstimate estimate = DetectSkew(scan, {view.flipX, view.flipY, view.baseAngle});
    EXPECT_TRUE(estimate.Found());
    EXPECT_NEAR(estimate.correction, expected, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Views, DisplayedImageTest,
                         testing::Values(ViewCase{false, false, 0.0f}, ViewCase{true, false, 0.0f},
                                         ViewCase{false, true, 0.0f}, ViewCase{true, true, 0.0f},
                                         ViewCase{false, false, -4.0f}, ViewCase{true, false, 9.5f},
                                         // Upside down: the lines are level again.
                                         ViewCase{false, false, 180.0f - 6.3f + 2.0f}));

TEST(SkewDetectorTest, ASideLyingPageIsMeasuredAroundTheAngleAlreadySet) {
    PageSpec spec;
    spec.layout = SkewedPages::Layout::Table;
    spec.skew = -3.7;
    spec.seed = 5;
    const QImage upright = SkewedPages::MakeScan(spec);
    // The scan lying on its side, turned a quarter anticlockwise: "右90度"
    // brings it back, and the detector measures the rest from there.
    const QImage sideways = upright.transformed(QTransform().rotate(-90));
    const SkewEstimate estimate = DetectSkew(sideways, {false, false, 90.0f});
    EXPECT_TRUE(estimate.Found());
    EXPECT_NEAR(estimate.correction, 3.7, 0.1);
}

TEST(SkewDetectorTest, SkewBeyondTheSearchRangeIsNotGuessed) {
    PageSpec spec;
    spec.layout = SkewedPages::Layout::TwoColumns;
    spec.skew = 31.0;
    const SkewEstimate estimate = DetectSkew(SkewedPages::MakeScan(spec));
    // Either refused, or (for text whose columns happen to line up at another
    // angle) never a correction pretending to be the skew.
    if (estimate.Found()) {
        EXPECT_GT(std::abs(estimate.correction + 31.0f), 1.0f);
    }
    EXPECT_LE(std::abs(estimate.correction), kSkewSearchRange + 2.0f);
}

TEST(SkewDetectorTest, PagesTurnedByTheWholeRangeAreFound) {
    for (const double skew : {20.0, -20.0, 19.9, -19.98}) {
        PageSpec spec;
        spec.layout = SkewedPages::Layout::Form;
        spec.skew = skew;
        spec.seed = 31;
        const SkewEstimate estimate = DetectSkew(SkewedPages::MakeScan(spec));
        EXPECT_TRUE(estimate.Found()) << skew;
        EXPECT_NEAR(estimate.correction, -skew, 0.1);
    }
}

TEST(SkewDetectorTest, TransparentPixelsCountAsPaper) {
    PageSpec spec;
    spec.layout = SkewedPages::Layout::Form;
    spec.skew = 2.2;
    QImage scan = SkewedPages::MakeScan(spec);
    // A transparent surround whose colour bytes are black: as paper it adds
    // nothing; as black it would make a dark frame at 0 degrees.
    QImage framed(scan.width() + 200, scan.height() + 200, QImage::Format_ARGB32);
    framed.fill(QColor(0, 0, 0, 0));
    QPainter(&framed).drawImage(100, 100, scan);
    const SkewEstimate estimate = DetectSkew(framed);
    EXPECT_TRUE(estimate.Found());
    EXPECT_NEAR(estimate.correction, -2.2, 0.1);
}
}  // namespace
