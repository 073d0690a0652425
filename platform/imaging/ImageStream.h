#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// The bytes of one encoded image, read by both imaging components from the
// beginning. A file is read into memory once, whole: a mapping would turn a
// file that another program shortens while it loads into a bus error in the
// middle of a decoder, while a copy only ever sees the bytes that were there
// (a shortened copy is then refused as damaged). Clipboard and drop data are
// held as they came.
class ImageStream {
public:
    // None when the file cannot be opened for reading, is not a regular file
    // (a FIFO, a device, a folder: these are refused at once, without waiting
    // for a writer or reading without end), is larger than any image the
    // program accepts can be, or a read fails.
    static std::unique_ptr<ImageStream> OpenFile(const QString& path);
    static std::unique_ptr<ImageStream> FromBytes(QByteArray bytes);

    QByteArrayView Bytes() const { return m_bytes; }
    // The same bytes, shared, for a decoder that outlives the stream.
    const QByteArray& SharedBytes() const { return m_bytes; }

private:
    ImageStream() = default;

    QByteArray m_bytes;
};

// Whether the file can be opened for reading, tried without blocking, so that
// a FIFO nobody writes to does not stop the caller. Says nothing about the
// contents: a FIFO or a device opens, and ImageStream then refuses it.
bool FileOpensForReading(const QString& path);
