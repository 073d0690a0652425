// The canvas: fit zoom, the zoom box and its buttons, Ctrl+wheel about the
// pointer, scrolling, the parity rule, what is drawn where, and when the
// turned image is drawn again.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/UpDownControl.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "support/ImageFixtures.h"
#include "view/CTavloView.h"

namespace {

class ViewDisplayTest : public ::testing::Test {
protected:
    // Sizes the window so that the view's client area is exactly this size.
    void SetClientSize(QSize client) {
        for (int attempt = 0; attempt < 3 && m.Viewport()->size() != client; ++attempt) {
            m.Frame().resize(m.Frame().size() + client - m.Viewport()->size());
            m.Idle();
        }
        ASSERT_EQ(m.Viewport()->size(), client);
    }
    void Load(const QImage& image) { m.OpenByButton(m.WriteImage(image)); }
    QImage Solid(int w, int h, QColor color = Qt::darkGreen) {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(color);
        return image;
    }
    QComboBox* ZoomBox() { return m.Item<QComboBox>(IDD_TOP_BAR, IDC_ZOOM_BOX); }
    QImage Shown() { return m.Viewport()->grab().toImage(); }

    EditorHarness m;
};

TEST_F(ViewDisplayTest, WithoutAnImageTheBackgroundAndZoom100AreShown) {
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("100.000000"));
    m.Frame().Action(ID_VIEW_GRID)->trigger();  // off, so only the background shows
    m.Idle();
    const QImage shown = Shown();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(219, 215, 213));
    EXPECT_EQ(m.View().CanvasWidth(), m.Viewport()->width());
}

TEST_F(ViewDisplayTest, TheImageOpensFittedAndCentredNeverAbove100) {
    SetClientSize(QSize(1000, 800));
    Load(Solid(2000, 1600));
    EXPECT_FLOAT_EQ(m.View().Zoom(), 49.375f);  // min(990 x 100 / 2000, 790 x 100 / 1600)
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("49.375000"));
    EXPECT_EQ(m.View().ScrollX(), (m.View().CanvasWidth() - 1000) / 2);
    EXPECT_EQ(m.View().ScrollY(), (m.View().CanvasHeight() - 800) / 2);

    EditorHarness small;
    small.OpenByButton(small.WriteImage(Solid(10, 10)));
    EXPECT_FLOAT_EQ(small.View().Zoom(), 100.0f);
}

TEST_F(ViewDisplayTest, FitZoomSwapsTheSidesNearAQuarterTurn) {
    SetClientSize(QSize(1000, 800));
    Load(Solid(2000, 1000));
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    const std::pair<const char*, float> cases[] = {{"30", 49.5f}, {"90", 39.5f}, {"-120", 39.5f},
                                                   {"150", 49.5f}};
    for (const auto& [angle, zoom] : cases) {
        m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QString::fromLatin1(angle));
        m.ChooseItem(IDC_ZOOM_BOX, 1);
        EXPECT_FLOAT_EQ(m.View().Zoom(), zoom) << angle;
        ASSERT_EQ(m.Viewport()->size(), QSize(1000, 800)) << angle;
        // "自動" centres the canvas, and the number comes back into the box.
        EXPECT_EQ(m.View().ScrollX(), (m.View().CanvasWidth() - 1000) / 2);
        EXPECT_EQ(ZoomBox()->currentText().toFloat(), zoom);
    }
}

TEST_F(ViewDisplayTest, CtrlWheelZoomsAboutThePointer) {
    Load(Solid(1200, 900));
    m.ChooseItem(IDC_ZOOM_BOX, 0);
    ASSERT_FLOAT_EQ(m.View().Zoom(), 100.0f);
    const QPoint pointer(400, 300);
    const QPointF under = m.View().ViewFromClient(pointer);
    m.Wheel(pointer, 120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(m.View().Zoom(), 105.0f);
    EXPECT_NEAR(m.View().ViewFromClient(pointer).x(), under.x(), 1.0);
    EXPECT_NEAR(m.View().ViewFromClient(pointer).y(), under.y(), 1.0);
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("105.000000"));

    for (int notch = 0; notch < 70; ++notch) m.Wheel(pointer, -120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(m.View().Zoom(), 5.0f);
}

TEST_F(ViewDisplayTest, TypedZoomAppliesAsTyped) {
    Load(Solid(600, 400));
    ZoomBox()->setFocus();
    ZoomBox()->lineEdit()->selectAll();
    std::vector<float> zooms;
    for (QChar c : QStringLiteral("150")) {
        QTest::keyClick(ZoomBox()->lineEdit(), c.toLatin1());
        zooms.push_back(m.View().Zoom());
    }
    EXPECT_EQ(zooms, (std::vector<float>{1.0f, 15.0f, 150.0f}));
    // Text that is no positive number is ignored until the box loses focus.
    m.TypeInto(ZoomBox(), QStringLiteral("x"));
    EXPECT_FLOAT_EQ(m.View().Zoom(), 150.0f);
    m.View().setFocus();
    m.Idle();
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("150.000000"));
}

TEST_F(ViewDisplayTest, ActualSizeKeepsTheCentreAndTheArrowsStepByFivePercent) {
    Load(Solid(3000, 2000));
    const QPoint centre(m.Viewport()->width() / 2, m.Viewport()->height() / 2);
    const QPointF under = m.View().ViewFromClient(centre);
    m.ChooseItem(IDC_ZOOM_BOX, 0);
    EXPECT_FLOAT_EQ(m.View().Zoom(), 100.0f);
    EXPECT_NEAR(m.View().ViewFromClient(centre).x(), under.x(), 1.0);
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("100.000000"));

    auto* spin = m.Item<UpDownControl>(IDD_TOP_BAR, IDC_ZOOM_SPIN);
    QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
    EXPECT_FLOAT_EQ(m.View().Zoom(), 105.0f);
    QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
    QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
    EXPECT_FLOAT_EQ(m.View().Zoom(), float(float(105.0f * 100.0 / 105.0) * 100.0 / 105.0));
}

TEST_F(ViewDisplayTest, CanvasParityPutsTheCornerOnAWholePixel) {
    for (int width : {400, 401}) {
        EditorHarness h;
        h.OpenByButton(h.WriteImage(Solid(width, 300)));
        h.ChooseItem(IDC_ZOOM_BOX, 0);
        EXPECT_NE(h.View().CanvasWidth() % 2, width % 2) << width;
        EXPECT_NE(h.View().CanvasHeight() % 2, 300 % 2);
    }
}

TEST_F(ViewDisplayTest, WheelAndPagesScrollUpToTheLimits) {
    Load(Solid(1500, 1500));
    m.ChooseItem(IDC_ZOOM_BOX, 0);
    const int start = m.View().ScrollY();
    m.Wheel(QPoint(100, 100), -120);
    EXPECT_EQ(m.View().ScrollY(), start + 24);
    m.Wheel(QPoint(100, 100), 240);
    EXPECT_EQ(m.View().ScrollY(), start - 24);
    for (QScrollBar* bar : {m.View().horizontalScrollBar(), m.View().verticalScrollBar()})
        for (int i = 0; i < 20; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    m.Idle();
    EXPECT_EQ(m.View().ScrollX(), m.View().MaxScrollX());
    EXPECT_EQ(m.View().ScrollY(), m.View().MaxScrollY());
}

TEST_F(ViewDisplayTest, ImagePixelsLandOnClientPixelsAndPositiveAnglesTurnClockwise) {
    Load(Fixtures::Quadrants(400, 300));
    m.ChooseItem(IDC_ZOOM_BOX, 0);
    m.Frame().Action(ID_VIEW_GRID)->trigger();
    m.Idle();
    // At 100 % and 0 degrees the image is copied pixel for pixel.
    const QPointF corner = m.View().ClientFromView(-199.5f, -149.5f);
    const QPoint topLeft(qRound(corner.x()), qRound(corner.y()));
    QImage shown = Shown();
    EXPECT_EQ(shown.pixelColor(topLeft), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(topLeft + QPoint(399, 299)), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(topLeft - QPoint(1, 1)), QColor(219, 215, 213));
    EXPECT_EQ(shown.pixelColor(topLeft + QPoint(199, 0)), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(topLeft + QPoint(200, 0)), QColor(0, 255, 0));

    // A quarter turn clockwise brings the red top-left quadrant to the top right.
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("90"));
    shown = Shown();
    const QPointF redCentre = m.View().ClientFromView(75.0f, -100.0f);
    EXPECT_EQ(shown.pixelColor(redCentre.toPoint()), QColor(255, 0, 0));
    const QPointF blueCentre = m.View().ClientFromView(-75.0f, -100.0f);
    EXPECT_EQ(shown.pixelColor(blueCentre.toPoint()), QColor(0, 0, 255));
}

TEST_F(ViewDisplayTest, OverlaysRepaintWithoutDrawingTheImageAgain) {
    Load(Solid(800, 600));
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    m.Viewport()->repaint();
    const int renders = m.View().BackBufferRenders();
    m.Frame().Action(ID_VIEW_GRID)->trigger();
    m.Viewport()->repaint();
    m.Drag(QPoint(100, 100), QPoint(200, 150));
    m.Viewport()->repaint();
    EXPECT_EQ(m.View().BackBufferRenders(), renders);
    EXPECT_TRUE(m.View().BackBufferValid());

    // Turning, scrolling and a new background do draw it again.
    m.Click(ID_LINE_CANCEL);
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("5"));
    m.Viewport()->repaint();
    EXPECT_EQ(m.View().BackBufferRenders(), renders + 1);
    m.App().settings.Background_R = 10;
    m.App().settings.Background_G = 20;
    m.App().settings.Background_B = 30;
    m.Frame().SendMessageToDescendants(WM_APP_BACKGROUND_CHANGED);
    m.Viewport()->repaint();
    EXPECT_EQ(m.View().BackBufferRenders(), renders + 2);
    EXPECT_EQ(Shown().pixelColor(3, 3), QColor(10, 20, 30));
}

TEST_F(ViewDisplayTest, TheOverlayIsTheFrameInStep3TheLineOrTheGrid) {
    Load(Solid(800, 600, Qt::black));
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    m.ChooseItem(IDC_ZOOM_BOX, 0);
    // The grid is fixed to the window: along x = 64 (over the background)
    // white and black dashes of 4 pixels alternate.
    QImage shown = Shown();
    const int background = qGray(shown.pixel(66, 30));
    int lighter = 0, darker = 0;
    for (int y = 0; y < 64; ++y) {
        lighter += qGray(shown.pixel(64, y)) > background;
        darker += qGray(shown.pixel(64, y)) < background;
    }
    EXPECT_EQ(lighter, 32);
    EXPECT_EQ(darker, 32);
    EXPECT_GT(qGray(shown.pixel(64, 0)), background) << "white first";
    EXPECT_LT(qGray(shown.pixel(64, 4)), background) << "then black";

    // A drawn line hides the grid and carries a white square at each end.
    m.Drag(QPoint(300, 300), QPoint(500, 300));
    shown = Shown();
    EXPECT_EQ(shown.pixelColor(300, 300), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(297, 297), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(500, 302), QColor(255, 255, 255));

    // In step 3 the frame is the overlay: no grid over the background, and
    // the frame's dashes along its top edge.
    ASSERT_TRUE(m.Click(ID_LINE_CANCEL));
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    shown = Shown();
    const QRgb backdrop = shown.pixel(66, 30);
    for (int y = 0; y < 64; ++y) ASSERT_EQ(shown.pixel(64, y), backdrop) << "grid row " << y;
    const QRectF frame = m.View().Frame();
    const QPoint topLeft = m.View().ClientFromView(frame.left(), frame.top()).toPoint();
    const QPoint topRight = m.View().ClientFromView(frame.right(), frame.top()).toPoint();
    int light = 0, dark = 0;
    for (int x = topLeft.x() + 8; x < topRight.x() - 8; ++x) {
        const int grey = qGray(shown.pixel(x, topLeft.y()));
        // The light pen is half-transparent white: lighter than the image.
        light += grey > 60;
        dark += grey < 20;
    }
    EXPECT_GT(light, (topRight.x() - topLeft.x()) / 4) << "light dashes on the black image";
    EXPECT_GT(dark, 0);
}

}  // namespace
