#include "SkewedPages.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <random>

namespace SkewedPages {
namespace {
using Random = std::mt19937;

double Uniform(Random& random, double from, double to) {
    return std::uniform_real_distribution<double>(from, to)(random);
}
int UniformInt(Random& random, int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(random);
}

const char* const kWords[] = {
    "the",     "scan",      "of",       "a",           "page",    "report",    "quarterly",
    "results", "and",       "notes",    "for",         "members", "committee", "meeting",
    "held",    "on",        "Tuesday",  "with",        "minutes", "budget",    "approved",
    "revised", "figures",   "shown",    "below",       "table",   "section",   "appendix",
    "summary", "income",    "expenses", "total",       "account", "balance",   "review",
    "project", "schedule",  "delivery", "printed",     "copies",  "archive",   "library",
    "letter",  "regarding", "your",     "request",     "we",      "are",       "pleased",
    "to",      "inform",    "that",     "application", "has",     "been",      "accepted",
    "please",  "find",      "enclosed", "documents",   "signed",  "by",        "director",
    "office"};

QString RandomWords(Random& random, const QFontMetricsF& metrics, double width) {
    QString line;
    while (true) {
        const QString word =
            QString::fromLatin1(kWords[UniformInt(random, 0, int(std::size(kWords)) - 1)]);
        const QString next = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(next) > width) return line.isEmpty() ? word : line;
        line = next;
    }
}

QString RandomJapanese(Random& random, const QFontMetricsF& metrics, double width) {
    static const QString kChars = QString::fromUtf8(
        "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを"
        "んアイウエオカキクケコサシスセソ日本語文書画像回転補正検出会議資料報告予算承認変更確認事項"
        "。、");
    QString line;
    while (metrics.horizontalAdvance(line) < width - metrics.height())
        line += kChars[UniformInt(random, 0, int(kChars.size()) - 1)];
    return line;
}

QFont PixelFont(const QString& family, double points, int dpi, bool bold = false) {
    QFont font(family);
    font.setPixelSize(std::max(6, int(std::lround(points * dpi / 72.0))));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Paragraphs of words from y on, between left and right; returns the y after them.
double Paragraphs(QPainter& p, Random& random, const QFont& font, double left, double right,
                  double y, double bottom, int paragraphs) {
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const double lineHeight = metrics.height() * 1.25;
    for (int k = 0; k < paragraphs && y < bottom; ++k) {
        const int lines = UniformInt(random, 3, 8);
        for (int i = 0; i < lines && y < bottom; ++i) {
            const double indent = i == 0 ? metrics.height() * 1.5 : 0.0;
            double width = right - left - indent;
            if (i + 1 == lines) width *= Uniform(random, 0.2, 0.8);
            p.drawText(QPointF(left + indent, y + metrics.ascent()),
                       RandomWords(random, metrics, width));
            y += lineHeight;
        }
        y += lineHeight * 0.6;
    }
    return y;
}

void DrawPhotograph(QPainter& p, Random& random, const QRectF& area) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(UniformInt(random, 60, 140), UniformInt(random, 90, 160), 210));
    sky.setColorAt(1.0, QColor(UniformInt(random, 40, 120), UniformInt(random, 80, 140), 60));
    p.fillRect(area, sky);
    p.save();
    p.setClipRect(area);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        const QPointF centre(Uniform(random, area.left(), area.right()),
                             Uniform(random, area.top(), area.bottom()));
        const double radius = Uniform(random, 0.03, 0.2) * area.width();
        QRadialGradient blob(centre, radius);
        const QColor colour(UniformInt(random, 0, 255), UniformInt(random, 0, 255),
                            UniformInt(random, 0, 255), UniformInt(random, 60, 200));
        blob.setColorAt(0.0, colour);
        blob.setColorAt(1.0, QColor(colour.red(), colour.green(), colour.blue(), 0));
        p.setBrush(blob);
        p.drawEllipse(centre, radius, radius);
    }
    p.restore();
}

void DrawHandwriting(QPainter& p, Random& random, const QRectF& area, int dpi) {
    QPen pen(QColor(20, 30, 90), std::max(1.5, dpi / 75.0));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double xHeight = dpi * 0.09, lineStep = dpi * 0.36;
    for (double baseline = area.top() + lineStep; baseline < area.bottom(); baseline += lineStep) {
        double x = area.left() + Uniform(random, 0, dpi * 0.2);
        const double lineEnd = area.right() - Uniform(random, 0, area.width() * 0.3);
        while (x < lineEnd) {
            // One word: a run of loops and humps resting on the baseline.
            QPainterPath word;
            const int letters = UniformInt(random, 2, 8);
            word.moveTo(x, baseline);
            for (int i = 0; i < letters; ++i) {
                const double w = xHeight * Uniform(random, 0.6, 1.1);
                const double h = xHeight * (UniformInt(random, 0, 4) == 0 ? 2.2 : 1.0) *
                                 Uniform(random, 0.85, 1.15);
                const double drop = UniformInt(random, 0, 6) == 0 ? xHeight * 0.9 : 0.0;
                word.cubicTo(x + w * 0.1, baseline - h, x + w * 0.9, baseline - h, x + w * 0.5,
                             baseline + drop);
                word.cubicTo(x + w * 0.4, baseline + drop * 0.5, x + w * 0.8, baseline, x + w,
                             baseline);
                x += w;
            }
            p.drawPath(word);
            x += xHeight * Uniform(random, 0.8, 1.6);
        }
    }
}

void DrawPage(QPainter& p, Random& random, const PageSpec& spec, const QSizeF& size) {
    const int dpi = spec.dpi;
    const double margin = dpi * Uniform(random, 0.6, 1.0);
    const double left = margin, right = size.width() - margin;
    const double top = margin, bottom = size.height() - margin;
    p.setPen(QColor(25, 25, 25));
    switch (spec.layout) {
        case Layout::Letter: {
            p.setFont(PixelFont(QStringLiteral("Nimbus Roman"), 16, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.25), QStringLiteral("Regarding your request"));
            p.setFont(PixelFont(QStringLiteral("Nimbus Roman"), 11, dpi));
            p.drawText(QPointF(right - dpi * 1.6, top + dpi * 0.6), QStringLiteral("3 March 2024"));
            Paragraphs(p, random, PixelFont(QStringLiteral("DejaVu Serif"), 11, dpi), left, right,
                       top + dpi * 1.0, bottom, 6);
            break;
        }
        case Layout::TwoColumns: {
            p.setFont(PixelFont(QStringLiteral("DejaVu Sans"), 18, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.3), QStringLiteral("Quarterly report"));
            p.fillRect(QRectF(left, top + dpi * 0.45, right - left, std::max(1.0, dpi / 100.0)),
                       QColor(40, 40, 40));
            const double gutter = dpi * 0.3, middle = (left + right) / 2;
            const QFont body = PixelFont(QStringLiteral("Nimbus Sans"), 9.5, dpi);
            Paragraphs(p, random, body, left, middle - gutter / 2, top + dpi * 0.7, bottom, 9);
            Paragraphs(p, random, body, middle + gutter / 2, right, top + dpi * 0.7,
                       bottom - dpi * 1.5, 9);
            break;
        }
        case Layout::Table: {
            p.setFont(PixelFont(QStringLiteral("DejaVu Sans"), 14, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.25), QStringLiteral("Account balance"));
            const int rows = UniformInt(random, 10, 18), columns = UniformInt(random, 3, 6);
            const double tableTop = top + dpi * 0.6, rowHeight = dpi * 0.28;
            const double columnWidth = (right - left) / columns;
            const QFont cell = PixelFont(QStringLiteral("DejaVu Sans Mono"), 9, dpi);
            p.setFont(cell);
            QPen rule(QColor(30, 30, 30), std::max(1.0, dpi / 150.0));
            p.setPen(rule);
            for (int r = 0; r <= rows; ++r)
                p.drawLine(QPointF(left, tableTop + r * rowHeight),
                           QPointF(right, tableTop + r * rowHeight));
            for (int c = 0; c <= columns; ++c)
                p.drawLine(QPointF(left + c * columnWidth, tableTop),
                           QPointF(left + c * columnWidth, tableTop + rows * rowHeight));
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c)
                    p.drawText(QPointF(left + c * columnWidth + dpi * 0.05,
                                       tableTop + (r + 0.7) * rowHeight),
                               QString::number(UniformInt(random, 1, 99999)));
            p.setPen(QColor(25, 25, 25));
            Paragraphs(p, random, PixelFont(QStringLiteral("Nimbus Roman"), 10, dpi), left, right,
                       tableTop + rows * rowHeight + dpi * 0.3, bottom, 2);
            break;
        }
        case Layout::Picture: {
            p.setFont(PixelFont(QStringLiteral("C059"), 15, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.25), QStringLiteral("The harbour at dawn"));
            const QRectF picture(left, top + dpi * 0.5, right - left, (bottom - top) * 0.62);
            DrawPhotograph(p, random, picture);
            p.setFont(PixelFont(QStringLiteral("C059"), 8, dpi));
            p.drawText(QPointF(left, picture.bottom() + dpi * 0.2),
                       QStringLiteral("Fig. 1  Photograph taken from the east pier."));
            Paragraphs(p, random, PixelFont(QStringLiteral("C059"), 10, dpi), left, right,
                       picture.bottom() + dpi * 0.45, bottom, 2);
            break;
        }
        case Layout::Handwriting:
            DrawHandwriting(p, random, QRectF(left, top, right - left, bottom - top), dpi);
            break;
        case Layout::Form: {
            p.setFont(PixelFont(QStringLiteral("Nimbus Sans"), 14, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.25), QStringLiteral("Application form"));
            const QFont label = PixelFont(QStringLiteral("Nimbus Sans"), 10, dpi);
            p.setFont(label);
            QPen line(QColor(60, 60, 60), std::max(1.0, dpi / 150.0));
            double y = top + dpi * 0.8;
            const char* const labels[] = {"Name",          "Address",    "Telephone", "E-mail",
                                          "Date of birth", "Occupation", "Signature"};
            for (const char* text : labels) {
                p.setPen(QColor(25, 25, 25));
                p.drawText(QPointF(left, y), QString::fromLatin1(text));
                p.setPen(line);
                p.drawLine(QPointF(left + dpi * 1.4, y + dpi * 0.03),
                           QPointF(right, y + dpi * 0.03));
                y += dpi * 0.45;
            }
            for (int i = 0; i < 4; ++i) {
                p.drawRect(QRectF(left, y + i * dpi * 0.3, dpi * 0.15, dpi * 0.15));
                p.setPen(QColor(25, 25, 25));
                p.drawText(QPointF(left + dpi * 0.3, y + i * dpi * 0.3 + dpi * 0.13),
                           RandomWords(random, QFontMetricsF(label), (right - left) * 0.6));
                p.setPen(line);
            }
            p.drawRect(QRectF(left, y + dpi * 1.4, right - left,
                              std::min(dpi * 2.0, bottom - y - dpi * 1.5)));
            break;
        }
        case Layout::Japanese: {
            const QString family = QStringLiteral("Noto Sans CJK JP");
            p.setFont(PixelFont(family, 15, dpi, true));
            p.drawText(QPointF(left, top + dpi * 0.3), QString::fromUtf8("会議資料のお知らせ"));
            const QFont body = PixelFont(family, 10.5, dpi);
            p.setFont(body);
            const QFontMetricsF metrics(body);
            double y = top + dpi * 0.8;
            while (y < bottom) {
                const int lines = UniformInt(random, 2, 6);
                for (int i = 0; i < lines && y < bottom; ++i, y += metrics.height() * 1.5) {
                    const double width =
                        (right - left) * (i + 1 == lines ? Uniform(random, 0.3, 0.9) : 1.0);
                    p.drawText(
                        QPointF(left + (i == 0 ? metrics.height() : 0), y + metrics.ascent()),
                        RandomJapanese(random, metrics, width));
                }
                y += metrics.height();
            }
            break;
        }
        case Layout::Mixed: {
            const double middle = left + (right - left) * 0.45;
            const QFont mono = PixelFont(QStringLiteral("Nimbus Mono PS"), 8.5, dpi);
            p.setFont(mono);
            const QFontMetricsF metrics(mono);
            for (double y = top; y < bottom; y += metrics.height() * 1.1) {
                const int indent = UniformInt(random, 0, 3);
                p.drawText(
                    QPointF(left + indent * metrics.horizontalAdvance(QStringLiteral("    ")),
                            y + metrics.ascent()),
                    RandomWords(random, metrics, (middle - left) * Uniform(random, 0.3, 0.8)));
            }
            Paragraphs(p, random, PixelFont(QStringLiteral("DejaVu Serif"), 10, dpi),
                       middle + dpi * 0.3, right, top, bottom, 8);
            break;
        }
    }
}

void AddNoise(QImage& image, Random& random, int amplitude) {
    std::uniform_int_distribution<int> noise(-amplitude, amplitude);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int n = noise(random);
            for (int c = 0; c < 3; ++c)
                row[4 * x + c] = uchar(std::clamp(row[4 * x + c] + n, 0, 255));
        }
    }
}

QImage JpegRoundTrip(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    QImage decoded;
    decoded.loadFromData(bytes, "JPG");
    return decoded.convertToFormat(QImage::Format_ARGB32);
}
}  // namespace

QImage MakeScan(const PageSpec& spec) {
    Random random(spec.seed);
    // A4 at low resolutions, A5 above 200 dpi: the sizes of typical scans,
    // and quick to make.
    const bool a4 = spec.dpi <= 200;
    const QSize pageSize(int(std::lround((a4 ? 8.27 : 5.83) * spec.dpi)),
                         int(std::lround((a4 ? 11.69 : 8.27) * spec.dpi)));
    QImage page(pageSize, QImage::Format_ARGB32);
    const int paper = UniformInt(random, 238, 252);
    page.fill(QColor(paper, paper, paper - 3));
    {
        QPainter p(&page);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        DrawPage(p, random, spec, QSizeF(pageSize));
    }

    const bool bed = spec.bedGrey < 255;
    const QSize scanSize =
        bed ? QSize(int(pageSize.width() * 1.1), int(pageSize.height() * 1.07)) : pageSize;
    QImage scan(scanSize, QImage::Format_ARGB32);
    scan.fill(bed ? QColor(spec.bedGrey, spec.bedGrey, spec.bedGrey)
                  : QColor(paper, paper, paper - 3));
    {
        QPainter p(&scan);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(scanSize.width() / 2.0 + Uniform(random, -5, 5),
                    scanSize.height() / 2.0 + Uniform(random, -5, 5));
        p.rotate(spec.skew);  // clockwise on the screen: y grows downwards
        p.drawImage(QPointF(-pageSize.width() / 2.0, -pageSize.height() / 2.0), page);
    }
    if (spec.darkBorder) {
        // The lid's shadow along the glass: straight with the scanner, not
        // with the page, with a ragged inner edge.
        QPainter p(&scan);
        const int dark = UniformInt(random, 10, 45);
        const int leftWidth = int(scanSize.width() * Uniform(random, 0.02, 0.05));
        const int bottomHeight = int(scanSize.height() * Uniform(random, 0.015, 0.04));
        for (int y = 0; y < scanSize.height(); y += 4)
            p.fillRect(0, y, leftWidth + UniformInt(random, -2, 2), 4, QColor(dark, dark, dark));
        for (int x = 0; x < scanSize.width(); x += 4)
            p.fillRect(x, scanSize.height() - bottomHeight - UniformInt(random, -2, 2), 4,
                       bottomHeight + 3, QColor(dark, dark, dark));
    }
    AddNoise(scan, random, 5);
    if (spec.jpegQuality > 0) scan = JpegRoundTrip(scan, spec.jpegQuality);
    return scan;
}

QImage MakeBlank(Blank kind, int width, int height, unsigned seed) {
    Random random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    switch (kind) {
        case Blank::WhitePage:
            image.fill(QColor(246, 246, 243));
            AddNoise(image, random, 6);
            return JpegRoundTrip(image, 80);
        case Blank::SmoothPhoto: {
            QPainter p(&image);
            QLinearGradient gradient(0, 0, width * 0.3, height);
            gradient.setColorAt(0.0, QColor(250, 200, 120));
            gradient.setColorAt(0.5, QColor(120, 160, 220));
            gradient.setColorAt(1.0, QColor(30, 60, 40));
            p.fillRect(image.rect(), gradient);
            QRadialGradient sun(width * 0.7, height * 0.3, width * 0.4);
            sun.setColorAt(0.0, QColor(255, 255, 230, 200));
            sun.setColorAt(1.0, QColor(255, 255, 230, 0));
            p.fillRect(image.rect(), sun);
            p.end();
            AddNoise(image, random, 3);
            return JpegRoundTrip(image, 85);
        }
        case Blank::Noise:
            image.fill(QColor(128, 128, 128));
            AddNoise(image, random, 120);
            return image;
        case Blank::SoftBlobs: {
            image.fill(QColor(90, 110, 100));
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            DrawPhotograph(p, random, QRectF(image.rect()).adjusted(-50, -50, 50, 50));
            p.end();
            AddNoise(image, random, 4);
            return JpegRoundTrip(image, 75);
        }
    }
    return image;
}

QString LayoutName(Layout layout) {
    switch (layout) {
        case Layout::Letter:
            return QStringLiteral("letter");
        case Layout::TwoColumns:
            return QStringLiteral("two-columns");
        case Layout::Table:
            return QStringLiteral("table");
        case Layout::Picture:
            return QStringLiteral("picture");
        case Layout::Handwriting:
            return QStringLiteral("handwriting");
        case Layout::Form:
            return QStringLiteral("form");
        case Layout::Japanese:
            return QStringLiteral("japanese");
        case Layout::Mixed:
            return QStringLiteral("mixed");
    }
    return {};
}

QString BlankName(Blank kind) {
    switch (kind) {
        case Blank::WhitePage:
            return QStringLiteral("white-page");
        case Blank::SmoothPhoto:
            return QStringLiteral("smooth-photo");
        case Blank::Noise:
            return QStringLiteral("noise");
        case Blank::SoftBlobs:
            return QStringLiteral("soft-blobs");
    }
    return {};
}

std::vector<PageSpec> StandardSet() {
    // Angles spread over the whole range, few of them round, so that no
    // layout is tried at one angle only.
    static const double kAngles[] = {
        -19.37, 13.61, -4.17, 0.08,   17.62,  -8.93, 2.63,   -0.46,  -12.58, 6.07,  -15.05,
        0.83,   -2.38, 19.44, -6.71,  9.87,   -0.13, 4.71,   -17.82, 11.34,  -1.71, 15.29,
        -10.44, 1.29,  -3.05, 7.13,   -13.66, 0.37,  3.48,   -5.66,  16.08,  -0.93, -7.28,
        12.95,  -18.4, 5.92,  -11.07, 1.94,   8.56,  -14.22, 0.0,    -9.61};
    const Layout layouts[] = {Layout::Letter,   Layout::TwoColumns,  Layout::Table,
                              Layout::Picture,  Layout::Handwriting, Layout::Form,
                              Layout::Japanese, Layout::Mixed};
    std::vector<PageSpec> set;
    int i = 0;
    for (double angle : kAngles) {
        PageSpec spec;
        spec.layout = layouts[i % std::size(layouts)];
        spec.skew = angle;
        spec.dpi = i % 3 == 2 ? 300 : 150;
        // Every fourth page on a bed: most of them grey, one in three black.
        spec.bedGrey = i % 4 == 1 ? (i % 3 == 0 ? 30 : 185 + (i % 5) * 6) : 255;
        spec.darkBorder = i % 5 == 3;
        spec.jpegQuality = i % 2 == 0 ? 70 + (i % 4) * 5 : 0;
        spec.seed = unsigned(1000 + i);
        set.push_back(spec);
        ++i;
    }
    return set;
}

}  // namespace SkewedPages
