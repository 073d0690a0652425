// The renderer against an independent double-precision reference, its exact
// invariants, the margin and resolution rules, and the frame geometry.

#include <gtest/gtest.h>

#include <QTransform>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "app/CTavloApp.h"
#include "document/BandDealer.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "document/OutputMapping.h"
#include "document/OutputRenderer.h"
#include "document/RenderKernels.h"
#include "platform/SettingsStore.h"
#include "support/NoThreadToSpare.h"

namespace {

// ---- The reference: the design's pixel model written out literally ----------
// The mirrored image with an explicit one-pixel transparent border, the output
// pixel centre mapped through the "equivalent pixel mapping", bilinear sampling
// of premultiplied colour in double precision, source-over onto the margin.
struct RefParams {
    int flipX = 0, flipY = 0;
    float angle = 0;
    float trimLeft = 0, trimTop = 0;
    double scaleX = 1, scaleY = 1;
    int resultWidth = 0, resultHeight = 0;
    int marginR = 255, marginG = 255, marginB = 255, marginA = 0;
    bool argb32 = true;
};

QImage ReferenceRender(const QImage& source, const RefParams& p) {
    const int w = source.width(), h = source.height(), W = w + 2, H = h + 2;
    std::vector<double> a(std::size_t(W) * H, 0.0), c(std::size_t(W) * H * 3, 0.0);
    for (int v = 1; v <= h; ++v)
        for (int u = 1; u <= w; ++u) {
            const int sx = p.flipX ? w - u : u - 1, sy = p.flipY ? h - v : v - 1;
            const QRgb px = source.pixel(sx, sy);
            const double alpha = qAlpha(px) / 255.0;
            const std::size_t i = std::size_t(v) * W + u;
            a[i] = alpha;
            c[i * 3 + 0] = qBlue(px) / 255.0 * alpha;
            c[i * 3 + 1] = qGreen(px) / 255.0 * alpha;
            c[i * 3 + 2] = qRed(px) / 255.0 * alpha;
        }
    int sa = w - 1, sb = h - 1;
    if ((p.angle > 45 && p.angle < 135) || (p.angle > -135 && p.angle < -45)) std::swap(sa, sb);
    const float cx = sa % 2 ? std::ceil(p.trimLeft + 0.5f) - 0.5f : std::ceil(p.trimLeft);
    const float cy = sb % 2 ? std::ceil(p.trimTop + 0.5f) - 0.5f : std::ceil(p.trimTop);
    const double theta = double(p.angle < 0 ? p.angle + 360.0f : p.angle) * M_PI / 180.0;
    const double sx = float(p.scaleX), sy = float(p.scaleY);
    const double ma = (p.argb32 ? p.marginA & 0xFF : 255) / 255.0;
    const double mc[3] = {(p.marginB & 0xFF) / 255.0, (p.marginG & 0xFF) / 255.0,
                          (p.marginR & 0xFF) / 255.0};

    QImage out(p.resultWidth, p.resultHeight, QImage::Format_ARGB32);
    for (int Y = 0; Y < p.resultHeight; ++Y)
        for (int X = 0; X < p.resultWidth; ++X) {
            const double qx = X / sx + cx, qy = Y / sy + cy;
            const double px = qx * std::cos(theta) + qy * std::sin(theta);
            const double py = -qx * std::sin(theta) + qy * std::cos(theta);
            const double u = px + (W - 1) / 2.0, v = py + (H - 1) / 2.0;
            const double u0 = std::floor(u), v0 = std::floor(v);
            double sumA = 0, sumC[3] = {0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const double uu = u0 + (k & 1), vv = v0 + (k >> 1);
                const double weight =
                    ((k & 1) ? u - u0 : 1 - (u - u0)) * ((k >> 1) ? v - v0 : 1 - (v - v0));
                if (uu < 0 || vv < 0 || uu >= W || vv >= H) continue;
                const std::size_t i = std::size_t(vv) * W + std::size_t(uu);
                sumA += weight * a[i];
                for (int ch = 0; ch < 3; ++ch) sumC[ch] += weight * c[i * 3 + ch];
            }
            const double outA = sumA + ma * (1 - sumA);
            int bytes[4];
            for (int ch = 0; ch < 3; ++ch) {
                const double premultiplied = sumC[ch] + mc[ch] * ma * (1 - sumA);
                const double colour = outA > 0 ? premultiplied / outA : mc[ch];
                bytes[ch] = int(std::floor(std::clamp(colour, 0.0, 1.0) * 255 + 0.5));
            }
            bytes[3] = int(std::floor(outA * 255 + 0.5));
            out.setPixel(X, Y, qRgba(bytes[2], bytes[1], bytes[0], p.argb32 ? bytes[3] : 255));
        }
    return out;
}

// With alpha, the opacities 0, 1, 85, 170 and 255 appear.
QImage RandomImage(int w, int h, bool withAlpha, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int pick = int(random() % 5);
            const int alpha = withAlpha ? (pick == 4 ? 1 : pick * 85) : 255;
            image.setPixel(
                x, y, qRgba(int(random() % 256), int(random() % 256), int(random() % 256), alpha));
        }
    return image;
}

// A document whose frozen output parameters are what a test asks for.
class RenderHarness {
public:
    RenderHarness() : m_app(m_store), m_doc(m_app) { m_app.InitInstance(); }

    Bitmap Render(const QImage& source, const RefParams& p, float dpiX = 96, float dpiY = 96) {
        m_app.settings.CardBoard_R = p.marginR;
        m_app.settings.CardBoard_G = p.marginG;
        m_app.settings.CardBoard_B = p.marginB;
        m_app.settings.CardBoard_A = p.marginA;
        HolderPtr holder = MakeHolder({source, dpiX, dpiY});
        CUndoItem& state = m_state;
        state = CUndoItem();
        state.m_image = holder;
        state.m_flipX = p.flipX, state.m_flipY = p.flipY, state.m_angle = p.angle;
        state.m_trimLeft = p.trimLeft, state.m_trimTop = p.trimTop;
        state.m_scaleX = p.scaleX, state.m_scaleY = p.scaleY;
        state.m_resultWidth = p.resultWidth, state.m_resultHeight = p.resultHeight;
        state.m_trimWidth = 1, state.m_trimHeight = 1;
        m_doc.SetStateForTest(state, dpiX, dpiY);
        return m_doc.RenderOutput(holder,
                                  p.argb32 ? OutputPixelFormat::Argb32 : OutputPixelFormat::Rgb24);
    }
    CTavloDoc& Doc() { return m_doc; }

private:
    class TestDoc : public CTavloDoc {
    public:
        using CTavloDoc::CTavloDoc;
        void SetStateForTest(const CUndoItem& state, float dpiX, float dpiY) {
            m_current = std::make_shared<CUndoItem>(state);
            m_sourceDpiX = dpiX, m_sourceDpiY = dpiY;
            FreezeOutputParams();
        }
    };
    SettingsStore m_store;
    CTavloApp m_app;
    CUndoItem m_state;

public:
    TestDoc m_doc;
};

// Largest difference of any component, after converting both to ARGB32.
int MaxDifference(const QImage& a, const QImage& b, QPoint* where = nullptr) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, r), q = y.pixel(col, r);
            // The colour of a pixel that is fully transparent in both shows nowhere.
            if (qAlpha(p) == 0 && qAlpha(q) == 0) continue;
            const int d =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            if (d > worst) {
                worst = d;
                if (where) *where = QPoint(col, r);
            }
        }
    return worst;
}

struct ReferenceCase {
    const char* name;
    int w, h;
    bool alpha;
    RefParams p;
};

RefParams Frame(float angle, float left, float top, int rw, int rh) {
    RefParams p;
    p.angle = angle, p.trimLeft = left, p.trimTop = top, p.resultWidth = rw, p.resultHeight = rh;
    return p;
}
RefParams With(RefParams p, const std::function<void(RefParams&)>& change) {
    change(p);
    return p;
}

class ReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceTest, AgreesWithinOnePerComponent) {
    const ReferenceCase& c = GetParam();
    const QImage source = RandomImage(c.w, c.h, c.alpha, 7);
    RenderHarness harness;
    const Bitmap rendered = harness.Render(source, c.p);
    ASSERT_FALSE(rendered.IsNull());
    ASSERT_EQ(rendered.Width(), c.p.resultWidth);
    ASSERT_EQ(rendered.Height(), c.p.resultHeight);
    EXPECT_EQ(rendered.image.format(), c.p.argb32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    QPoint where;
    const int difference = MaxDifference(rendered.image, ReferenceRender(source, c.p), &where);
    EXPECT_LE(difference, 1) << "at " << where.x() << "," << where.y() << " got " << std::hex
                             << rendered.image.convertToFormat(QImage::Format_ARGB32).pixel(where)
                             << " want " << ReferenceRender(source, c.p).pixel(where);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReferenceTest,
    ::testing::Values(
        ReferenceCase{"TenDegreesOddSize", 37, 23, false, Frame(10, -16, -9, 33, 19)},
        ReferenceCase{"MinusThirtyEvenSize", 40, 30, false, Frame(-30, -25, -25, 50, 50)},
        ReferenceCase{"FrameBeyondImage", 40, 30, false,
                      With(Frame(7.5f, -30, -22, 61, 45), [](RefParams& p) { p.marginA = 0; })},
        ReferenceCase{"OpaqueRedMargin24Bit", 31, 20, false,
                      With(Frame(-12, -22, -16, 44, 32),
                           [](RefParams& p) {
                               p.marginR = 255, p.marginG = 0, p.marginB = 0, p.argb32 = false;
                           })},
        ReferenceCase{"HalfOpaqueMargin", 30, 31, false,
                      With(Frame(33, -21, -21, 42, 42),
                           [](RefParams& p) {
                               p.marginR = 10, p.marginG = 200, p.marginB = 90, p.marginA = 128;
                           })},
        ReferenceCase{"TransparentSource", 29, 25, true,
                      With(Frame(21, -18, -16, 36, 32), [](RefParams& p) { p.marginA = 60; })},
        ReferenceCase{"TransparentSource24Bit", 29, 25, true,
                      With(Frame(-47, -18, -16, 36, 32), [](RefParams& p) { p.argb32 = false; })},
        ReferenceCase{
            "FlippedAndEnlarged", 33, 21, false,
            With(Frame(4.25f, -12, -7, 61, 37),
                 [](RefParams& p) { p.flipX = 1, p.flipY = 1, p.scaleX = 2.37, p.scaleY = 2.37; })},
        ReferenceCase{"UnequalScales", 26, 34, false,
                      With(Frame(-3, -10, -14, 40, 30),
                           [](RefParams& p) { p.flipY = 1, p.scaleX = 1.5, p.scaleY = 1.25; })},
        ReferenceCase{"NearlyQuarterTurn", 45, 17, false, Frame(89.3f, -9, -23, 19, 45)},
        ReferenceCase{"MinusOneSeventy", 24, 24, true, Frame(-170, -14, -14, 30, 30)},
        ReferenceCase{"OneByTen", 1, 10, false,
                      With(Frame(3, -2, -6, 5, 13), [](RefParams& p) { p.marginA = 255; })}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RendererExactness, IdentityCopiesEverySourcePixel) {
    // Odd and even sizes, with partly transparent pixels, onto a transparent
    // margin (the default): the result is the source, bit for bit. A fully
    // transparent source pixel shows the margin's colour at opacity 0 instead.
    for (const QSize size : {QSize(37, 23), QSize(40, 30), QSize(1, 1), QSize(2, 7)}) {
        for (const bool alpha : {false, true}) {
            QImage source = RandomImage(size.width(), size.height(), alpha, 11);
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    if (qAlpha(source.pixel(x, y)) == 0)
                        source.setPixel(x, y, qRgba(255, 255, 255, 0));
            const FrameRect frame = DefaultTrimFrame(size.width(), size.height(), 0.0f);
            RefParams p = Frame(0, frame.left, frame.top, size.width(), size.height());
            RenderHarness harness;
            const Bitmap out = harness.Render(source, p);
            ASSERT_FALSE(out.IsNull());
            EXPECT_EQ(out.image, source) << size.width() << "x" << size.height() << " " << alpha;
        }
    }
}

TEST(RendererExactness, QuarterTurnsMovePixelsWithoutBlur) {
    const QImage source = RandomImage(37, 24, false, 3);
    for (const float angle : {90.0f, -90.0f, 180.0f, -180.0f}) {
        const bool quarter = std::fabs(angle) == 90.0f;
        const int rw = quarter ? 24 : 37, rh = quarter ? 37 : 24;
        const FrameRect frame = DefaultTrimFrame(37, 24, angle);
        const TrimSize trim = ComputeTrimSize(frame, 37, 24, angle);
        EXPECT_EQ(trim.width, rw);
        EXPECT_EQ(trim.height, rh);
        RenderHarness harness;
        const Bitmap out = harness.Render(source, Frame(angle, frame.left, frame.top, rw, rh));
        const QImage expected = source.transformed(QTransform().rotate(angle));
        EXPECT_EQ(out.image, expected) << angle;
    }
}

TEST(RendererExactness, ConstantImageStaysConstantInside) {
    QImage source(64, 48, QImage::Format_ARGB32);
    source.fill(qRgb(12, 200, 99));
    const FrameRect frame = DefaultTrimFrame(64, 48, 17.0f);
    const TrimSize trim = ComputeTrimSize(frame, 64, 48, 17.0f);
    RenderHarness harness;
    const Bitmap out = harness.Render(
        source, Frame(17.0f, frame.left, frame.top, trim.width * 2, trim.height * 2));
    // Enlarged by 2 inside the default frame: every sample lies on the image.
    RefParams p = Frame(17.0f, frame.left, frame.top, trim.width, trim.height);
    p.scaleX = p.scaleY = 1.0;
    const Bitmap inside = harness.Render(source, p);
    for (int y = 0; y < inside.Height(); ++y)
        for (int x = 0; x < inside.Width(); ++x)
            ASSERT_EQ(inside.image.pixel(x, y), qRgb(12, 200, 99)) << x << "," << y;
    EXPECT_FALSE(out.IsNull());
}

TEST(RendererMargin, OpacityColourAndLowBytes) {
    QImage source(10, 10, QImage::Format_ARGB32);
    source.fill(qRgb(0, 0, 255));
    // A frame far to the right of the image: nothing but margin.
    RefParams p = Frame(0, 100, 100, 4, 3);
    struct Case {
        int r, g, b, a;
        bool argb32;
        QRgb expected;
    };
    const Case cases[] = {
        {255, 255, 255, 0, true, qRgba(255, 255, 255, 0)},  // default: white, transparent
        {255, 255, 255, 0, false, qRgb(255, 255, 255)},     // 24 bits: opaque
        {256, 10, 20, 128, true, qRgba(0, 10, 20, 128)},    // red 256 contributes 0
        {1, 2, 3, 0x1FF, true, qRgba(1, 2, 3, 255)},
    };
    for (const Case& c : cases) {
        p.marginR = c.r, p.marginG = c.g, p.marginB = c.b, p.marginA = c.a, p.argb32 = c.argb32;
        RenderHarness harness;
        const Bitmap out = harness.Render(source, p);
        const QImage argb = out.image.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(argb.pixel(2, 1), c.expected) << c.r << " " << c.a << " " << c.argb32;
    }
}

TEST(RendererMargin, NoOutputForImpossibleSizes) {
    const QImage source = RandomImage(10, 10, false, 1);
    RenderHarness harness;
    RefParams p = Frame(0, -4.5f, -4.5f, 10, 10);
    EXPECT_FALSE(harness.Render(source, p).IsNull());
    for (const auto& change : std::vector<std::function<void(RefParams&)>>{
             [](RefParams& q) { q.resultWidth = 0; }, [](RefParams& q) { q.resultHeight = -3; },
             [](RefParams& q) { q.scaleX = 0; },
             [](RefParams& q) { q.scaleY = 1e-50; },  // zero once it is a float
         }) {
        RefParams q = p;
        change(q);
        EXPECT_TRUE(harness.Render(source, q).IsNull());
    }
    // A result smaller than the trimmed size.
    CUndoItem state;
    state.m_resultWidth = 9, state.m_trimWidth = 10, state.m_resultHeight = 10,
    state.m_trimHeight = 10, state.m_scaleX = state.m_scaleY = 1;
    EXPECT_FALSE(OutputParamsRenderable(state));
    state.m_resultWidth = 10;
    EXPECT_TRUE(OutputParamsRenderable(state));
    // Beyond what memory can hold, or numbers that are none.
    CUndoItem huge = state;
    huge.m_resultWidth = huge.m_resultHeight = 100000;
    EXPECT_FALSE(OutputParamsRenderable(huge));
    for (float CUndoItem::*field :
         {&CUndoItem::m_angle, &CUndoItem::m_trimLeft, &CUndoItem::m_trimTop}) {
        CUndoItem broken = state;
        broken.*field = NAN;
        EXPECT_FALSE(OutputParamsRenderable(broken));
    }
}

TEST(RendererResolution, QuarterTurnExchangesTheResolutions) {
    const QImage source = RandomImage(12, 8, false, 5);
    struct Case {
        float angle;
        float dpiX, dpiY;
    };
    for (const Case c :
         {Case{90, 200, 300}, Case{-90, 200, 300}, Case{45, 300, 200}, Case{46, 200, 300},
          Case{135, 300, 200}, Case{10, 300, 200}, Case{-134, 200, 300}}) {
        RenderHarness harness;
        harness.Render(source, Frame(c.angle, -3, -3, 6, 6), 300, 200);
        EXPECT_FLOAT_EQ(harness.Doc().m_outputDpiX, c.dpiX) << c.angle;
        EXPECT_FLOAT_EQ(harness.Doc().m_outputDpiY, c.dpiY) << c.angle;
    }
    EXPECT_FLOAT_EQ(DrawingAngle(-30.0f), 330.0f);
    EXPECT_FLOAT_EQ(DrawingAngle(30.0f), 30.0f);
}

TEST(RendererKernels, VectorLoopsMatchThePortableLoop) {
    const QImage source = RandomImage(300, 200, false, 9);
    const SourcePixels pixels{source.constBits(), source.bytesPerLine(), 300, 200};
    std::mt19937 random(4);
    for (int trial = 0; trial < 200; ++trial) {
        // Spans that stay inside: start in the middle, small steps either way.
        const RowWalk walk{std::int64_t((std::uint64_t(100 + random() % 50) << 32) | random()),
                           std::int64_t((std::uint64_t(80 + random() % 40) << 32) | random()),
                           std::int64_t(int(random() % 4096) - 2048) << 20,
                           std::int64_t(int(random() % 4096) - 2048) << 18};
        const int count = int(random() % 40) + 1;
        for (const int bpp : {3, 4}) {
            std::vector<std::uint8_t> slow(std::size_t(count) * bpp), fast(slow.size());
            RenderSpanOpaqueInteriorPortable(pixels, walk, count, bpp, slow.data());
            if (RenderSpanOpaqueInteriorAvx2(pixels, walk, count, bpp, fast.data()))
                ASSERT_EQ(fast, slow) << "AVX2, trial " << trial;
            if (RenderSpanOpaqueInteriorAvx512(pixels, walk, count, bpp, fast.data()))
                ASSERT_EQ(fast, slow) << "AVX-512, trial " << trial;
        }
    }
}

// Spans laid against each side of a source held in a buffer of exactly its
// size (a stride of exactly four bytes a pixel), so that a vector loop reading
// past the last row or column, or taking a wrong row or neighbour for some
// lane, shows as a difference (or, built with AddressSanitizer, as a fault).
TEST(RendererKernels, VectorLoopsMatchAcrossTurnsScalesAndEdges) {
    constexpr int kWidth = 160, kHeight = 150;
    const QImage image = RandomImage(kWidth, kHeight, false, 21);
    std::vector<std::uint8_t> buffer(std::size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(buffer.data() + std::size_t(y) * kWidth * 4, image.constScanLine(y),
                    std::size_t(kWidth) * 4);
    const SourcePixels pixels{buffer.data(), kWidth * 4, kWidth, kHeight};
    const auto whole = [](std::int64_t position) {
        return (position + (std::int64_t(1) << 23)) >> 32;
    };
    struct Turn {
        double angle;  // degrees
        double step;   // source pixels per output pixel
        bool mirrored;
    };
    const Turn turns[] = {{0, 1, false},     {0.05, 1, false}, {-0.3, 1, false}, {11, 1, false},
                          {-11, 1, false},   {45, 1, false},   {89.9, 1, false}, {-89.9, 1, false},
                          {180, 1, false},   {11, 1, true},    {0, 1, true},     {10, 0.5, false},
                          {-3, 0.5, true},   {10, 2, false},   {0, 2, false},    {2, 1.93, true},
                          {170, 1.3, false}, {30, 1, false},   {3, 2.05, false}, {-5, 2.1, true},
                          {0, 2.07, false}};
    // Where the span lies: -1 against the first column (row), +1 against the
    // last, 0 in the middle.
    const int sides[][2] = {{0, 0}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 0}, {0, 1}};
    int compared = 0;
    for (const Turn& turn : turns)
        for (const int count : {1, 15, 16, 17, 31, 47, 64})
            for (const auto& side : sides)
                for (const std::uint32_t fraction : {0x00000000u, 0x7F3A91C4u, 0xFFFF8000u}) {
                    const double radians = turn.angle * M_PI / 180.0;
                    const double dx = std::cos(radians) * turn.step * (turn.mirrored ? -1 : 1);
                    const double dy = std::sin(radians) * turn.step;
                    RowWalk walk{std::int64_t(fraction), std::int64_t(fraction / 3),
                                 std::llround(dx * 4294967296.0), std::llround(dy * 4294967296.0)};
                    // The span's extent in whole pixels, then moved by whole
                    // pixels (fractions untouched) to its side.
                    const std::int64_t xa = whole(walk.x),
                                       xb = whole(walk.x + (count - 1) * walk.dx);
                    const std::int64_t ya = whole(walk.y),
                                       yb = whole(walk.y + (count - 1) * walk.dy);
                    const std::int64_t x0 = std::min(xa, xb), x1 = std::max(xa, xb);
                    const std::int64_t y0 = std::min(ya, yb), y1 = std::max(ya, yb);
                    ASSERT_LT(x1 - x0 + 1, kWidth);
                    ASSERT_LT(y1 - y0 + 1, kHeight);
                    const auto place = [](int where, std::int64_t lo, std::int64_t hi, int size) {
                        return where < 0   ? -lo
                               : where > 0 ? size - 2 - hi
                                           : (size - 1 - (hi - lo)) / 2 - lo;
                    };
                    walk.x += place(side[0], x0, x1, kWidth) << 32;
                    walk.y += place(side[1], y0, y1, kHeight) << 32;
                    for (const int bpp : {3, 4}) {
                        std::vector<std::uint8_t> slow(std::size_t(count) * bpp);
                        RenderSpanOpaqueInteriorPortable(pixels, walk, count, bpp, slow.data());
                        for (int loop = 0; loop < 2; ++loop) {
                            std::vector<std::uint8_t> fast(slow.size(), 0xA5);
                            const bool ran = loop == 0 ? RenderSpanOpaqueInteriorAvx2(
                                                             pixels, walk, count, bpp, fast.data())
                                                       : RenderSpanOpaqueInteriorAvx512(
                                                             pixels, walk, count, bpp, fast.data());
                            if (!ran) continue;
                            ++compared;
                            ASSERT_EQ(fast, slow)
                                << (loop ? "AVX-512" : "AVX2") << ", angle " << turn.angle
                                << ", step " << turn.step << (turn.mirrored ? " mirrored" : "")
                                << ", count " << count << ", side " << side[0] << "," << side[1]
                                << ", fraction " << fraction << ", " << bpp << " bytes";
                        }
                    }
                }
    if (compared == 0) GTEST_SKIP() << "the processor has neither vector loop";
}

TEST(RendererOpacity, CertaintyFollowsFrameAndMargin) {
    CUndoItem state;
    state.m_image = MakeHolder({RandomImage(100, 60, false, 2), 96, 96});
    state.m_angle = 10;
    const FrameRect frame = DefaultTrimFrame(100, 60, 10);
    const TrimSize trim = ComputeTrimSize(frame, state);
    state.m_trimLeft = frame.left, state.m_trimTop = frame.top;
    state.m_trimWidth = state.m_resultWidth = trim.width;
    state.m_trimHeight = state.m_resultHeight = trim.height;
    state.m_scaleX = state.m_scaleY = 1;
    const MarginColor transparent{255, 255, 255, 0};
    auto renderer =
        OutputRenderer::Create(state, state.m_image, transparent, OutputPixelFormat::Argb32);
    ASSERT_TRUE(renderer);
    EXPECT_TRUE(renderer->CertainlyOpaque());
    EXPECT_EQ(renderer->RenderImage().pixel(0, 0) >> 24, 255u);

    state.m_trimLeft -= 5;  // reaches beyond the turned image
    renderer = OutputRenderer::Create(state, state.m_image, transparent, OutputPixelFormat::Argb32);
    EXPECT_FALSE(renderer->CertainlyOpaque());
    renderer = OutputRenderer::Create(state, state.m_image, MarginColor{0, 0, 0, 255},
                                      OutputPixelFormat::Argb32);
    EXPECT_TRUE(renderer->CertainlyOpaque());
}

TEST(RendererThreads, EveryBandIsDealtExactlyOnce) {
    // One thread alone: its own run in order, then the last band of the run
    // with most left.
    {
        BandDealer dealer(10, 3);  // runs 0-2, 3-5, 6-9
        std::vector<int> order;
        for (int band; (band = dealer.Next(0)) >= 0;) order.push_back(band);
        EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 9, 5, 8, 4, 7, 3, 6}));
    }
    struct Case {
        int bands, threads;
    };
    for (const Case c :
         {Case{0, 2}, Case{1, 2}, Case{3, 4}, Case{101, 2}, Case{5000, 4}, Case{7, 1}}) {
        BandDealer dealer(c.bands, c.threads);
        std::vector<std::atomic<int>> dealt(std::size_t(c.bands));
        std::vector<std::thread> workers;
        for (int t = 0; t < c.threads; ++t)
            workers.emplace_back([&, t] {
                for (int band; (band = dealer.Next(t)) >= 0;) ++dealt[std::size_t(band)];
            });
        for (std::thread& worker : workers) worker.join();
        for (int band = 0; band < c.bands; ++band)
            ASSERT_EQ(dealt[std::size_t(band)].load(), 1)
                << "band " << band << " of " << c.bands << ", " << c.threads << " threads";
    }
}

TEST(RendererThreads, WholeImageEqualsRowsRenderedInOneThread) {
    // Tall enough for many bands per thread, margin rows at top and bottom;
    // also when the system refuses every helper thread, and the calling
    // thread must render the bands dealt to the helpers that never started.
    for (const bool threadsRefused : {false, true})
        for (const float angle : {0.0f, 7.0f, -60.0f}) {
            CUndoItem state;
            state.m_image = MakeHolder({RandomImage(90, 700, false, 8), 96, 96});
            state.m_angle = angle;
            state.m_trimLeft = -50, state.m_trimTop = -370;
            state.m_trimWidth = state.m_resultWidth = 100;
            state.m_trimHeight = state.m_resultHeight = 740;
            state.m_scaleX = state.m_scaleY = 1;
            const auto renderer = OutputRenderer::Create(
                state, state.m_image, MarginColor{1, 2, 3, 255}, OutputPixelFormat::Argb32);
            ASSERT_TRUE(renderer);
            QImage whole;
            if (threadsRefused) {
                const NoThreadToSpare limit;
                ASSERT_TRUE(limit.Active());
                whole = renderer->RenderImage();
            } else {
                whole = renderer->RenderImage();
            }
            QImage rows(100, 740, QImage::Format_ARGB32);
            rows.fill(0);
            ASSERT_TRUE(renderer->ReadRows(0, 740, rows.bits(), rows.bytesPerLine()));
            ASSERT_EQ(whole.size(), rows.size());
            for (int y = 0; y < 740; ++y)
                ASSERT_EQ(std::memcmp(whole.constScanLine(y), rows.constScanLine(y), 400), 0)
                    << "row " << y << ", angle " << angle << (threadsRefused ? ", no threads" : "");
        }
}

// ---- Frame geometry ----------------------------------------------------------

TEST(FrameGeometryTest, SnapUsesTheSidesOfTheTurnedImage) {
    struct Case {
        int w, h;
        float angle, x, y, expectX, expectY;
    };
    const Case cases[] = {
        {101, 60, 0, -49.7f, -29.2f, -49.0f, -28.5f},   // a = 100 even, b = 59 odd
        {101, 60, 90, -49.7f, -29.2f, -49.5f, -29.0f},  // at 90 a = 59, b = 100
        {101, 60, -90, -49.7f, -29.2f, -49.5f, -29.0f},
        {101, 60, 45, -49.7f, -29.2f, -49.0f, -28.5f},  // 45 is not beyond 45
        {101, 60, 135, -49.7f, -29.2f, -49.0f, -28.5f},
        {1000, 600, 0, -499.5f, -299.5f, -499.5f, -299.5f},
    };
    for (const Case& c : cases) {
        const PointF p = SnapTrimCorner(c.x, c.y, c.w, c.h, c.angle);
        EXPECT_FLOAT_EQ(p.x, c.expectX) << c.w << "x" << c.h << " at " << c.angle;
        EXPECT_FLOAT_EQ(p.y, c.expectY) << c.w << "x" << c.h << " at " << c.angle;
    }
    EXPECT_FLOAT_EQ(SnapTrimCorner(1.2f, 3.4f, nullptr).x, 1.2f);
}

TEST(FrameGeometryTest, AFrameNarrowerThanAPixelTrimsOnePixel) {
    // 1000 x 600 at 0 degrees: pixel centres on halves in both directions.
    struct Case {
        FrameRect frame;
        int width, height;
    };
    const Case cases[] = {
        {{0.3f, 0.3f, 0.3f, 0.3f}, 1, 1},      // a point between pixel centres
        {{-0.7f, -0.2f, -0.7f, -0.2f}, 1, 1},  // the same on the other side
        {{0.5f, 0.5f, 0.5f, 0.5f}, 1, 1},      // a point on a pixel centre
        {{0.6f, 0.6f, 1.2f, 1.4f}, 1, 1},      // edges between two centres
        {{0.5f, 0.5f, 1.49f, 2.5f}, 1, 3},    {{-1.5f, -1.5f, 1.5f, 0.4f}, 4, 2},
    };
    for (const Case& c : cases) {
        const TrimSize t = ComputeTrimSize(c.frame, 1000, 600, 0.0f);
        EXPECT_EQ(t.width, c.width) << c.frame.left << ".." << c.frame.right;
        EXPECT_EQ(t.height, c.height) << c.frame.top << ".." << c.frame.bottom;
        EXPECT_EQ(CheckResultSize(t.width, t.height, 1.0, 1.0, t.width, t.height),
                  ResultSizeCheck::Ok);
    }
}

TEST(FrameGeometryTest, DefaultFramesOfAThousandBySixHundred) {
    struct Case {
        float angle;
        float halfWidth, halfHeight;
        int trimWidth, trimHeight;
    };
    const Case cases[] = {
        {0, 499.5f, 299.5f, 1000, 600},    {90, 299.5f, 499.5f, 600, 1000},
        {180, 499.5f, 299.5f, 1000, 600},  {10, 391.94f, 235.01f, 784, 470},
        {-10, 391.94f, 235.01f, 784, 470}, {45, 264.79f, 158.77f, 530, 318},
    };
    for (const Case& c : cases) {
        const FrameRect f = DefaultTrimFrame(1000, 600, c.angle);
        EXPECT_NEAR(f.right, c.halfWidth, 0.1f) << c.angle;
        EXPECT_NEAR(f.bottom, c.halfHeight, 0.1f) << c.angle;
        EXPECT_FLOAT_EQ(f.left, -f.right);
        EXPECT_FLOAT_EQ(f.top, -f.bottom);
        const TrimSize t = ComputeTrimSize(f, 1000, 600, c.angle);
        EXPECT_EQ(t.width, c.trimWidth) << c.angle;
        EXPECT_EQ(t.height, c.trimHeight) << c.angle;
    }
}

// The closed form: the largest centred frame of the image's proportions inside
// the turned image.
double ClosedFormFactor(double ws, double hs, double d) {
    return std::min(ws / (ws * std::fabs(std::cos(d)) + hs * std::fabs(std::sin(d))),
                    hs / (ws * std::fabs(std::sin(d)) + hs * std::fabs(std::cos(d))));
}

TEST(FrameGeometryTest, StepsAgreeWithTheClosedFormExceptForElongatedNegativeTurns) {
    for (const float angle : {3.0f, 20.0f, 44.0f, -3.0f, -20.0f}) {
        const FrameRect f = DefaultTrimFrame(1201, 401, angle);
        const double k = ClosedFormFactor(1200, 400, angle * M_PI / 180);
        EXPECT_NEAR(f.right, k * 600, 0.01) << angle;
        EXPECT_NEAR(f.bottom, k * 200, 0.01) << angle;
    }
    // 3000 x 100 has g = atan(99 / 2999), about 1.9 degrees; at -30 degrees the
    // steps give a larger frame than the formula, and that is the frame.
    const FrameRect f = DefaultTrimFrame(3000, 100, -30.0f);
    const double k = ClosedFormFactor(2999, 99, -30 * M_PI / 180);
    EXPECT_GT(f.right, k * 2999 / 2 + 0.5);
    const FrameRect positive = DefaultTrimFrame(3000, 100, 30.0f);
    EXPECT_NEAR(positive.right, k * 2999 / 2, 0.01);
}

TEST(FrameGeometryTest, SizeCheckRefusesImpossibleAndReducedResults) {
    using C = ResultSizeCheck;
    EXPECT_EQ(CheckResultSize(784, 470, 1, 1, 784, 470), C::Ok);
    EXPECT_EQ(CheckResultSize(1568, 939, 2.001, 2.001, 784, 470), C::Ok);
    EXPECT_EQ(CheckResultSize(0, 470, 1, 1, 784, 470), C::Impossible);
    EXPECT_EQ(CheckResultSize(784, 470, -1.0 / 783, 1, 784, 470), C::Impossible);
    EXPECT_EQ(CheckResultSize(784, 470, 1, 1e-46, 784, 470), C::Impossible);
    EXPECT_EQ(CheckResultSize(700, 470, 0.9, 1, 784, 470), C::SmallerThanTrimmed);
    EXPECT_EQ(CheckResultSize(784, 469, 1, 1, 784, 470), C::SmallerThanTrimmed);
}

TEST(FrameGeometryTest, TypedSizesAndFactors) {
    EXPECT_DOUBLE_EQ(FactorForTypedSize(1568, 784), 1567.0 / 783.0);
    EXPECT_EQ(KeepRatioSize(470, 1567.0 / 783.0), 939);
    EXPECT_NEAR(FactorForTypedSize(1568, 784) * 100, 200.127714, 1e-6);
    EXPECT_EQ(ResultFromFactor(470, 1567.0 / 783.0), 940);  // a frame change: trunc(t x f)
    EXPECT_EQ(FactorForTypedSize(5, 1), 0.0);
    EXPECT_DOUBLE_EQ(FactorForTypedSize(0, 784), -1.0 / 783.0);
    EXPECT_EQ(ResultFromFactor(784, 1.0), 784);
    // Typed sizes at the ends of the int range stay defined and saturate.
    EXPECT_TRUE(std::isfinite(FactorForTypedSize(INT_MIN, 784)));
    EXPECT_EQ(ResultFromFactor(470, 1e300), INT_MAX);
    EXPECT_EQ(KeepRatioSize(470, FactorForTypedSize(INT_MAX, 784)), 1286296080);
    EXPECT_EQ(KeepRatioSize(470, 1e300), INT_MAX);
    EXPECT_EQ(ResultFromFactor(470, -1e300), INT_MIN);
    EXPECT_EQ(ResultFromFactor(470, NAN), 0);
}
}  // namespace

// ---- Source rows a band samples ----------------------------------------------

// The bounds by which a band waits for source rows still being decoded, and by
// which rows no longer needed are given back: a source whose rows outside the
// bound are overwritten must give exactly the same band.
TEST(RendererSourceRows, BoundsCoverEverySample) {
    struct Case {
        float angle;
        bool flipX, flipY;
        double scale;
        float shiftTop;  // moves the frame down, off the image's top
    };
    const Case cases[] = {
        {10, false, false, 1, 0}, {-10, false, false, 1, 0},  {45, true, false, 1.5, 0},
        {170, false, true, 1, 0}, {-100, false, false, 2, 0}, {0.5f, false, false, 1, 30},
        {90, false, false, 1, 0}, {0, false, true, 1, 0},     {30, true, true, 3.3, -10},
    };
    constexpr int w = 120, h = 90;
    int boundedBelow = 0, boundedAbove = 0;
    for (const bool opaque : {true, false})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.angle) + (opaque ? " opaque" : " transparent"));
            const QImage pixels = RandomImage(w, h, !opaque, 5);
            CUndoItem state;
            state.m_image = MakeHolder({pixels, 96, 96});
            state.m_angle = c.angle;
            state.m_flipX = c.flipX, state.m_flipY = c.flipY;
            FrameRect frame = DefaultTrimFrame(w, h, c.angle);
            frame.top += c.shiftTop, frame.bottom += c.shiftTop;
            const TrimSize trim = ComputeTrimSize(frame, state);
            state.m_trimLeft = frame.left, state.m_trimTop = frame.top;
            state.m_trimWidth = trim.width, state.m_trimHeight = trim.height;
            state.m_scaleX = state.m_scaleY = c.scale;
            state.m_resultWidth = ResultFromFactor(trim.width, c.scale);
            state.m_resultHeight = ResultFromFactor(trim.height, c.scale);
            const MarginColor margin{10, 200, 30, 128};
            const auto renderer =
                OutputRenderer::Create(state, state.m_image, margin, OutputPixelFormat::Argb32);
            ASSERT_TRUE(renderer);
            // The result with the source's rows from..to-1 overwritten (as
            // opaque as the source, which takes the renderer's opaque paths).
            const auto rendered = [&](int from, int to, int first, int count) {
                QImage spoiled = pixels.copy();
                for (int y = std::max(0, from); y < std::min(h, to); ++y)
                    for (int x = 0; x < w; ++x)
                        spoiled.setPixel(x, y, qRgba(255, 0, 255, opaque ? 255 : 77));
                const auto other = OutputRenderer::Create(state, MakeHolder({spoiled, 96, 96}),
                                                          margin, OutputPixelFormat::Argb32);
                QImage band(renderer->Width(), count, QImage::Format_ARGB32);
                other->RenderRows(first, count, band.bits(), band.bytesPerLine());
                return band;
            };
            const int height = renderer->Height();
            for (int first = 0; first < height; first += 8) {
                const int count = std::min(8, height - first);
                const int needed = renderer->SourceRowsNeeded(first, count);
                const int unused = renderer->SourceRowsUnusedFrom(first);
                boundedBelow += needed < h;
                boundedAbove += unused > 0;
                const QImage reference = rendered(0, 0, first, count);
                ASSERT_EQ(rendered(needed, h, first, count), reference) << "rows " << first;
                ASSERT_EQ(rendered(0, unused, first, height - first),
                          rendered(0, 0, first, height - first))
                    << "rows " << first;
            }
        }
    // Neither bound may be the trivial one everywhere.
    EXPECT_GT(boundedBelow, 0);
    EXPECT_GT(boundedAbove, 0);
}
