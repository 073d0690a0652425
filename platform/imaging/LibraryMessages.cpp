#include "LibraryMessages.h"

#include <tiffio.h>

#include <QLoggingCategory>
#include <QString>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
constexpr char kJpegCategory[] = "qt.gui.imageio.jpeg";
thread_local int t_jpegDataMissing = 0;
thread_local int t_readingImages = 0;
QtMessageHandler g_previousHandler = nullptr;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

bool StartsWith(const char* text, const char* prefix) {
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Qt's image reading and writing, its plug-ins (tiff, webp, ...) and its ICC
// profile parser each log under a category of their own.
bool IsImagingCategory(const char* name) {
    return StartsWith(name, "qt.gui.imageio") || StartsWith(name, "qt.imageformats") ||
           StartsWith(name, "qt.gui.icc");
}

// A few of Qt's imaging messages go to the default category ("QImage: out of
// memory, returning null image" for a large image that does not fit).
bool IsImagingText(const QString& text) {
    return text.startsWith(QLatin1String("QImage")) || text.startsWith(QLatin1String("QTiff")) ||
           text.startsWith(QLatin1String("libpng")) || text.startsWith(QLatin1String("QIcc"));
}

void DropImagingMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (context.category && std::strcmp(context.category, kJpegCategory) == 0) {
            // libjpeg's JWRN_HIT_MARKER and JWRN_JPEG_EOF. Harmless warnings such
            // as "extraneous bytes before marker" are not taken as missing data.
            if (text.contains(QLatin1String("premature end of data segment")) ||
                text.contains(QLatin1String("Premature end of JPEG file")))
                ++t_jpegDataMissing;
            return;
        }
        if (t_readingImages > 0) return;
        if (IsImagingCategory(context.category)) return;
        if (IsImagingText(text)) return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void FilterCategories(QLoggingCategory* category) {
    if (g_previousFilter) g_previousFilter(category);
    // The JPEG reader's warnings stay on so that missing data is seen; they are
    // counted and dropped by the handler.
    if (std::strcmp(category->categoryName(), kJpegCategory) == 0)
        category->setEnabled(QtWarningMsg, true);
    else if (IsImagingCategory(category->categoryName()))
        for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
            category->setEnabled(type, false);
}
}  // namespace

void QuietImagingLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        // libtiff's default handlers print to standard error; the program's own
        // TIFF decoder and Qt's TIFF plug-in share these process-wide handlers.
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
        g_previousHandler = qInstallMessageHandler(DropImagingMessages);
        g_previousFilter = QLoggingCategory::installFilter(FilterCategories);
    });
}

int QtJpegDataMissingWarnings() { return t_jpegDataMissing; }

ImagingMessageScope::ImagingMessageScope() { ++t_readingImages; }
ImagingMessageScope::~ImagingMessageScope() { --t_readingImages; }
