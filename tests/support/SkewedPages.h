#pragma once

#include <QImage>
#include <QString>
#include <vector>

// Scans made up for the skew detector: pages of several layouts and fonts,
// drawn upright, laid on the scanner turned by a known angle, then given what
// scanners add (a grey bed around the page, a dark border along the glass,
// noise, JPEG artefacts). Deterministic: the same description gives the same
// pixels.
namespace SkewedPages {

enum class Layout {
    Letter,       // heading and paragraphs in a serif face
    TwoColumns,   // a report set in two columns of a sans face
    Table,        // a ruled table with a title and notes
    Picture,      // a large photograph-like picture with a caption
    Handwriting,  // pen strokes on unruled paper
    Form,         // labels and lines to fill in, boxes
    Japanese,     // horizontal Japanese text with a heading
    Mixed,        // a monospace listing beside a serif column
};

struct PageSpec {
    Layout layout = Layout::Letter;
    double skew = 0.0;  // the page on the glass, degrees clockwise on screen
    int dpi = 150;
    int bedGrey = 255;        // 255: the page fills the scan; else a bed of this grey
    bool darkBorder = false;  // black strips along two edges of the glass
    int jpegQuality = 0;      // 0: no JPEG round trip
    unsigned seed = 1;
};

// The scan as the editor would load it (Format_ARGB32, opaque). The correction
// that puts it upright is -spec.skew.
QImage MakeScan(const PageSpec& spec);

// Images without lines to measure.
enum class Blank { WhitePage, SmoothPhoto, Noise, SoftBlobs };
QImage MakeBlank(Blank kind, int width, int height, unsigned seed);

QString LayoutName(Layout layout);
QString BlankName(Blank kind);

// The committed set: layouts, resolutions, beds, borders and JPEG qualities
// crossed with many angles between -20 and +20 degrees.
std::vector<PageSpec> StandardSet();

}  // namespace SkewedPages
