#include "ImageStream.h"

std::unique_ptr<ImageStream> ImageStream::OpenFile(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) return nullptr;
    std::unique_ptr<ImageStream> stream(new ImageStream);
    const qint64 size = file->size();
    if (size > 0) {
        if (uchar* mapped = file->map(0, size)) {
            stream->m_view = QByteArrayView(mapped, size);
            stream->m_file = std::move(file);
            return stream;
        }
    }
    // Pipes, special files and empty files cannot be mapped: read what there is.
    stream->m_owned = file->readAll();
    stream->m_view = stream->m_owned;
    return stream;
}

std::unique_ptr<ImageStream> ImageStream::FromBytes(QByteArray bytes) {
    std::unique_ptr<ImageStream> stream(new ImageStream);
    stream->m_owned = std::move(bytes);
    stream->m_view = stream->m_owned;
    return stream;
}
