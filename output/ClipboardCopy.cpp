#include "ClipboardCopy.h"

#include <QClipboard>
#include <QColorSpace>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "BitmapFileWriter.h"
#include "Transparency.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "platform/PrivateTempFolder.h"
#include "platform/WaitCursor.h"

namespace {
const QString kTempName = QStringLiteral("{B0C793E0-B130-46E0-BB7C-F17B29C5FADC}.tmp.png");

// The copied result: the image and the file list, and no text. The file list
// is set as raw text/uri-list bytes (QMimeData::setUrls would export the URL
// as text too), and because the X11 clipboard offers every file list as
// text/plain as well, that text is answered empty: pasting into a text editor
// inserts nothing rather than the temporary file's URL.
class CopiedResultData : public QMimeData {
protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        if (format.startsWith(QLatin1String("text/plain"))) return QVariant(QByteArray());
        return QMimeData::retrieveData(format, type);
    }
};
}  // namespace

namespace {
QString ClipboardTempPath(TempFolderUse use) {
    const QString folder = PrivateTempFolder(use);
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + kTempName;
}
}  // namespace

QString GetClipboardTempPath() { return ClipboardTempPath(TempFolderUse::LookUp); }

std::unique_ptr<QMimeData> MakeCopyData(CTavloDoc& document) {
    const CUndoItem* current = document.Current();
    const CUndoItem* params = document.OutputParams();
    if (!current || current->m_step != 4 || !params) return nullptr;
    WaitCursor wait;
    Bitmap opaque = document.RenderOutput(params->m_image, OutputPixelFormat::Rgb24);
    if (opaque.IsNull()) return nullptr;

    std::unique_ptr<QMimeData> data = std::make_unique<CopiedResultData>();
    const ImageMetadata metadata = params->m_image ? params->m_image->Metadata() : ImageMetadata();
    // Programs that paste the picture get its colours too, where Qt reads the
    // profile (the PNG file below carries it in any case).
    const QColorSpace colour = QColorSpace::fromIccProfile(metadata.icc);
    if (colour.isValid()) opaque.image.setColorSpace(colour);
    data->setImageData(opaque.image);

    Bitmap file =
        HasTransparency(current->m_image->Image()) ? current->m_image->AsBitmap() : opaque;
    const bool stamped = document.m_outputDpiX != 0.0f && document.m_outputDpiY != 0.0f;
    file.dpiX = stamped ? document.m_outputDpiX : kNewBitmapDpi;
    file.dpiY = stamped ? document.m_outputDpiY : kNewBitmapDpi;
    // Always the first component's PNG encoder. The file is written beside its
    // name and renamed over it, so even a link planted there is replaced, not
    // followed.
    ImagingServices firstComponent = document.App().Imaging();
    firstComponent.UseWIC = 0;
    const QString path = ClipboardTempPath(TempFolderUse::Create);
    if (!path.isEmpty() && WriteBitmapFile(std::move(file), OutputFormat::Png, firstComponent, path,
                                           FilePublish::ReplaceEntry, metadata)) {
        const QUrl url = QUrl::fromLocalFile(path);
        data->setData(QStringLiteral("text/uri-list"), url.toEncoded() + "\r\n");
        data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    }
    return data;
}

void RemoveClipboardTempFile(const QClipboard* clipboard) {
    const QString path = GetClipboardTempPath();
    if (path.isEmpty()) return;
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data && data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        if (!urls.isEmpty() && urls.front().isLocalFile() && urls.front().toLocalFile() == path)
            return;
    }
    // Removing a name never follows a link.
    QFile::remove(path);
}
