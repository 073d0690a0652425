#include "ImageImport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <cstring>

#include "ImageLoader.h"
#include "platform/imaging/DibReader.h"
#include "platform/imaging/ImageStream.h"

namespace {
const QString kFileGroupDescriptor =
    QStringLiteral("application/x-qt-windows-mime;value=\"FileGroupDescriptorW\"");
const QString kFileContents =
    QStringLiteral("application/x-qt-windows-mime;value=\"FileContents\"");
const QString kUriList = QStringLiteral("text/uri-list");
const QString kBmp = QStringLiteral("image/bmp");
const QString kQtImage = QStringLiteral("application/x-qt-image");
// Longest path a drop list entry may have.
constexpr int kMaxPathLength = 4096;

// FILEGROUPDESCRIPTORW: a count, then descriptors of 592 bytes whose file name
// (260 wide characters) starts at byte 72.
QString VirtualFileName(const QByteArray& descriptor) {
    constexpr qsizetype kDescriptorSize = 592, kNameAt = 72, kNameChars = 260;
    if (descriptor.size() < 4 + kDescriptorSize) return {};
    quint32 count = 0;
    std::memcpy(&count, descriptor.constData(), 4);
    if (count != 1) return {};
    const auto* name = reinterpret_cast<const char16_t*>(descriptor.constData() + 4 + kNameAt);
    qsizetype length = 0;
    while (length < kNameChars && name[length] != 0) ++length;
    return length < kNameChars ? QString::fromUtf16(name, length) : QString();
}

bool ReadVirtualFile(const QMimeData* data, HolderPtr* out, const ImportContext& context) {
    if (!data->hasFormat(kFileGroupDescriptor)) return false;
    const QString name = VirtualFileName(data->data(kFileGroupDescriptor));
    if (name.isEmpty() || !IsSupportedImageName(name, context.imageExtensions)) return false;
    if (!out) return true;
    const QByteArray contents = data->data(kFileContents);
    if (contents.isEmpty()) return false;
    const auto stream = ImageStream::FromBytes(contents);
    HolderPtr image = LoadImageFromStream(*stream, context.imaging);
    if (!image) return false;
    *out = std::move(image);
    return true;
}

bool ReadDroppedFile(const QMimeData* data, HolderPtr* out, const ImportContext& context) {
    if (!data->hasFormat(kUriList)) return false;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return false;
    const QString path = urls.front().toLocalFile();
    if (path.size() > kMaxPathLength || !IsSupportedImageName(path, context.imageExtensions))
        return false;
    if (!out) return true;
    HolderPtr image = LoadImageFromFile(path, context.imaging);
    if (!image) return false;
    *out = std::move(image);
    return true;
}

// Image data as programs that paste pictures offer it. image/bmp alone is left
// to the program's own reader below rather than to a general decoder.
bool HasImageData(const QMimeData* data) {
    if (data->hasFormat(kQtImage)) return true;
    for (const QString& format : data->formats())
        if (format.startsWith(QLatin1String("image/")) && format != kBmp) return true;
    return false;
}

// A device bitmap has no transparency and no resolution: alpha 255, 96 dpi.
HolderPtr AsDeviceBitmap(const QImage& image) {
    return MakeHolder(
        {image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32),
         kNewBitmapDpi, kNewBitmapDpi});
}

// Image bytes go through the program's own loader, with every check a file
// gets. Qt offers "application/x-qt-image" beside the image types of another
// program's data (the X11 and Wayland clipboards, drops from outside) and
// answers it by decoding those bytes with its own lenient readers, which
// accept a cut-off file; so the pixels it offers are taken only from a data
// object that carries no image bytes at all, which is one made in this
// program with the picture itself.
bool ReadImageData(const QMimeData* data, HolderPtr* out, const ImportContext& context) {
    if (!HasImageData(data)) return false;
    if (!out) return true;
    bool imageBytes = false;
    for (const QString& format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/"))) continue;
        imageBytes = true;
        if (format == kBmp) continue;
        const QByteArray bytes = data->data(format);
        if (bytes.isEmpty()) continue;
        const HolderPtr loaded =
            LoadImageFromStream(*ImageStream::FromBytes(bytes), context.imaging);
        if (!loaded) continue;
        if (HolderPtr holder = AsDeviceBitmap(loaded->Image())) {
            *out = std::move(holder);
            return true;
        }
    }
    if (imageBytes || !data->hasImage()) return false;
    HolderPtr holder = AsDeviceBitmap(qvariant_cast<QImage>(data->imageData()));
    if (!holder) return false;
    *out = std::move(holder);
    return true;
}

bool ReadBmpBytes(const QMimeData* data, HolderPtr* out) {
    if (!data->hasFormat(kBmp)) return false;
    if (!out) return true;
    const QImage image = ReadDib(data->data(kBmp));
    if (image.isNull()) return false;
    HolderPtr holder = MakeHolder({image, kNewBitmapDpi, kNewBitmapDpi});
    if (!holder) return false;
    *out = std::move(holder);
    return true;
}
}  // namespace

bool IsSupportedImageName(const QString& name, const QStringList& imageExtensions) {
    for (const QString& extension : imageExtensions) {
        const qsizetype length = extension.size();
        if (name.size() < length + 1) continue;
        if (name[name.size() - length - 1] == QLatin1Char('.') &&
            name.right(length).compare(extension, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool ReadImageFromDataObject(const QMimeData* data, HolderPtr* out, const ImportContext& context) {
    if (!data) return false;
    return ReadVirtualFile(data, out, context) || ReadDroppedFile(data, out, context) ||
           ReadImageData(data, out, context) || ReadBmpBytes(data, out);
}

bool ReadImageFromClipboard(HolderPtr* out, const ImportContext& context) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) return false;
    if (!out) {
        // Only the presence of a format counts, not its content.
        return data->hasFormat(kFileGroupDescriptor) || data->hasFormat(kUriList) ||
               data->hasFormat(kBmp) || HasImageData(data);
    }
    return ReadImageFromDataObject(data, out, context);
}
