#pragma once

#include <QImage>
#include <QtGlobal>

// How the rows of an image to be encoded are laid out in memory.
enum class RowLayout {
    Bgra32,  // the working format: B, G, R, A, not premultiplied
    Bgr24,   // opaque output: B, G, R (GDI+'s 24-bit RGB, QImage::Format_BGR888)
};

// An image handed to an encoder a band of rows at a time, so that a result can
// be encoded while it is still being rendered, without a full-size buffer.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual RowLayout Layout() const = 0;
    // Fills rows first .. first + count - 1 into target, rows stride bytes
    // apart. Called with increasing, non-overlapping bands. False on failure.
    virtual bool ReadRows(int first, int count, uchar* target, qsizetype stride) = 0;
};

// The rows of an image that is already in memory (Format_ARGB32 or
// Format_BGR888; other formats are converted once).
class ImageRowSource : public RowSource {
public:
    explicit ImageRowSource(const QImage& image);
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    RowLayout Layout() const override { return m_layout; }
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override;

private:
    QImage m_image;
    RowLayout m_layout;
};
