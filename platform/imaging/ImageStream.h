#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <memory>

// The bytes of one encoded image, read by both imaging components from the
// beginning. A file is mapped into memory rather than copied, so a 20 MB scan
// costs no second buffer; clipboard and drop data are held as they came.
class ImageStream {
public:
    // None when the file cannot be opened for reading.
    static std::unique_ptr<ImageStream> OpenFile(const QString& path);
    static std::unique_ptr<ImageStream> FromBytes(QByteArray bytes);

    QByteArrayView Bytes() const { return m_view; }

private:
    ImageStream() = default;

    std::unique_ptr<QFile> m_file;  // keeps the mapping alive
    QByteArray m_owned;
    QByteArrayView m_view;
};
