#include <QByteArray>
#include <QMimeData>
#include <QtEndian>
#include <cstring>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "document/ImageImport.h"

void FuzzClipboardImport(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    const unsigned formats = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString descriptorType =
        QStringLiteral("application/x-qt-windows-mime;value=\"FileGroupDescriptorW\"");
    QMimeData mime;
    if (formats & 1) mime.setData(QStringLiteral("image/bmp"), bytes);
    if (formats & 2) mime.setData(QStringLiteral("image/png"), bytes);
    if (formats & 4) mime.setData(QStringLiteral("image/jpeg"), bytes);
    if (formats & 8) mime.setData(QStringLiteral("image/x-unknown"), bytes);
    if (formats & 16) {
        // One virtual file with an image name, its contents the bytes.
        QByteArray descriptor(4 + 592, '\0');
        qToLittleEndian(quint32(1), descriptor.data());
        const QString name = QStringLiteral("pasted.jpg");
        std::memcpy(descriptor.data() + 4 + 72, name.utf16(), std::size_t(name.size()) * 2);
        mime.setData(descriptorType, descriptor);
        mime.setData(QStringLiteral("application/x-qt-windows-mime;value=\"FileContents\""), bytes);
    }
    if (formats & 32) mime.setData(descriptorType, bytes);  // a descriptor of the input's making
    const ImportContext context{{1, FuzzCodecs(), false},
                                {"png", "jpg", "jpeg", "gif", "bmp", "tif", "tiff", "exif"}};
    HolderPtr image;
    FuzzSink(ReadImageFromDataObject(&mime, nullptr, context));
    if (ReadImageFromDataObject(&mime, &image, context) && image)
        FuzzSink(std::uint64_t(image->Width()));
}
