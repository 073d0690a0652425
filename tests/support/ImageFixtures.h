#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

// Small images made by the tests themselves, so every fixture shows exactly
// the property a test is about.
namespace Fixtures {

// Four solid quadrants: red top-left, green top-right, blue bottom-left,
// white bottom-right. Any turn or mirror of it is recognisable even after lossy
// compression.
QImage Quadrants(int width, int height);
// The colour at the centre of each quadrant of an image.
struct QuadrantColors {
    QColor topLeft, topRight, bottomLeft, bottomRight;
};
QuadrantColors SampleQuadrants(const QImage& image);
// Components differ by at most the tolerance.
bool ColorNear(const QColor& a, const QColor& b, int tolerance = 24);

QByteArray EncodeWithQt(const QImage& image, const char* format, int quality = -1);
// A JPEG with an EXIF block whose orientation tag (274) has the value, in the
// byte order asked for.
QByteArray JpegWithOrientation(const QImage& image, int orientation, bool bigEndian = false);
// A HEIC (HEVC) file through libheif; a non-zero orientation is written as the
// file's own rotation/mirroring and also as an EXIF orientation tag.
QByteArray EncodeHeic(const QImage& image, int orientation = 0);

QString WriteFile(const QString& folder, const QString& name, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// The source folder of committed fixtures.
QString FixturePath(const QString& name);

}  // namespace Fixtures
