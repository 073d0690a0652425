// Redraw time of the editing view while the angle changes, as when the
// rotation scroll bar is dragged: a 24-megapixel image (6000 x 4000) in a view
// whose client area is 1600 x 1000, at the fit zoom and at 100 %. Each redraw
// is the whole cycle the drag causes: the angle is set and recorded, the view
// updates, and the viewport repaints at once (the turned image drawn into the
// back buffer, then the back buffer and the overlay onto the screen).
//
//   oblimo-view-bench [--steps N]
//
// Runs on the offscreen platform with a private settings folder.

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "EditorSession.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "view/CTavloView.h"

namespace {

void Measure(const char* label, CTavloDoc& document, CTavloView& view, int steps) {
    std::vector<double> redraw, paint;
    float angle = 0.0f;
    for (int i = 0; i < steps; ++i) {
        angle += 0.05f;  // one arrow step of the rotation scroll bar
        const double start = Bench::NowMs();
        document.SetAngle(angle, kKindAngleDragged, true);
        const double painted = Bench::NowMs();
        view.viewport()->repaint();
        const double end = Bench::NowMs();
        redraw.push_back(end - start);
        paint.push_back(end - painted);
    }
    std::sort(redraw.begin(), redraw.end());
    std::printf(
        "%-10s zoom %7.3f %%  mip level %d  redraw median %6.2f ms  p95 %6.2f ms  max %6.2f ms"
        "  (paint alone median %6.2f ms)\n",
        label, view.Zoom(), view.DisplayLevel(), Bench::Median(redraw),
        redraw[std::size_t(redraw.size() * 0.95)], redraw.back(), Bench::Median(paint));
}
}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int steps = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--steps") steps = std::max(10, atoi(argv[i + 1]));

    Bench::EditorSession session(QStringLiteral("oblimo-view-bench"), QSize(1600, 1000));
    TavloDocTemplate& editor = session.editor;
    CTavloView& view = editor.View();

    const QImage image = Bench::PhotoLikeImage(6000, 4000);
    CTavloDoc& document = editor.Document();
    document.SetNewImage(MakeHolder(Bitmap{image, 300.0f, 300.0f}));
    std::printf("image %d x %d (%.1f MP), view client area %d x %d, grid %s\n", image.width(),
                image.height(), image.width() * image.height() / 1e6, view.viewport()->width(),
                view.viewport()->height(), view.Grid() ? "on" : "off");

    // The first paint draws the full-size pixels; the bordered copy and the mip
    // levels are made on the other core meanwhile.
    const double start = Bench::NowMs();
    view.viewport()->repaint();
    std::printf("first paint (copies for turning made in the background): %.1f ms\n",
                Bench::NowMs() - start);
    document.OnToStep2();
    QCoreApplication::processEvents();

    Measure("fit", document, view, steps);
    view.SetZoom(100.0f, -1, -1, true);
    view.viewport()->repaint();
    Measure("100 %", document, view, steps);
    return 0;
}
