#include "AutoName.h"

#include <sys/stat.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "app/AppSettings.h"

namespace {
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The blanks C's isspace knows in the "C" locale.
bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}
}  // namespace

void SplitPath(const QString& path, QString* folder, QString* name, QString* extension) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString fileName = path.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (folder) *folder = path.left(slash + 1);
    if (name) *name = dot < 0 ? fileName : fileName.left(dot);
    if (extension) *extension = dot < 0 ? QString() : fileName.mid(dot);
}

QString RemoveAutoNameSuffix(const QString& name) {
    for (qsizetype at = 0; at + kAutoNameSuffix.size() <= name.size(); ++at) {
        if (!QStringView(name).mid(at).startsWith(kAutoNameSuffix, Qt::CaseSensitive)) continue;
        const QStringView rest = QStringView(name).mid(at + kAutoNameSuffix.size());
        if (std::all_of(rest.begin(), rest.end(), IsAsciiDigit)) return name.left(at);
    }
    return name;
}

quint32 ReadUnsigned32(QStringView text) {
    qsizetype at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    quint64 value = 0;
    bool overflow = false;
    for (; at < text.size() && IsAsciiDigit(text[at]); ++at) {
        value = value * 10 + quint64(text[at].unicode() - u'0');
        if (value > 0xFFFFFFFFull) {
            overflow = true;
            value = 0xFFFFFFFFull;  // keeps the loop from wrapping; more digits change nothing
        }
    }
    if (overflow) return 0xFFFFFFFFu;
    return negative ? quint32(0u - quint32(value)) : quint32(value);
}

QString AutoNameExtension(const QString& inputExtension, bool transparent, bool heifAvailable) {
    const QString png = QStringLiteral(".png");
    if (transparent) return png;
    static const char* const kKept[] = {".jpg", ".jpeg", ".png", ".bmp"};
    for (const char* kept : kKept)
        if (inputExtension.compare(QLatin1String(kept), Qt::CaseInsensitive) == 0)
            return inputExtension;
    if (heifAvailable &&
        (inputExtension.compare(QLatin1String(".heic"), Qt::CaseInsensitive) == 0 ||
         inputExtension.compare(QLatin1String(".heif"), Qt::CaseInsensitive) == 0))
        return inputExtension;
    return png;
}

QString AutoNameFolder(const QString& inputFolder, const AppSettings& settings) {
    switch (settings.SaveFolder) {
        case 1: {
            const QString sub = inputFolder + settings.SaveFolderSub;
            // One level only, like the rest of the rule; an existing folder is the
            // usual case, and any other failure surfaces when the file is written.
            ::mkdir(QFile::encodeName(sub).constData(), 0777);
            return sub + u'/';
        }
        case 2:
            return settings.SaveFolderSpecified.endsWith(u'/')
                       ? settings.SaveFolderSpecified
                       : settings.SaveFolderSpecified + u'/';
        default:
            return inputFolder;
    }
}

QString NumberedName(const QString& folder, const QString& baseName, const QString& extension) {
    quint32 highest = 0;
    // Every kind of entry counts, hidden ones and folders too: a name is taken
    // whatever holds it.
    QDirIterator entries(folder.isEmpty() ? QStringLiteral(".") : folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString found = entries.nextFileInfo().fileName();
        // As the pattern base name + "*" + extension: the two ends may not overlap.
        if (found.size() < baseName.size() + extension.size() ||
            !found.startsWith(baseName, Qt::CaseInsensitive) ||
            !found.endsWith(extension, Qt::CaseInsensitive))
            continue;
        // "photo-Oblimo2.jpg" gives 2, "photo-Oblimo.jpg" 0, which counts as 1.
        const quint32 number =
            std::max<quint32>(ReadUnsigned32(QStringView(found).mid(baseName.size())), 1);
        highest = std::max(highest, number);
    }
    if (highest >= 1 && highest != 0xFFFFFFFFu) return baseName + QString::number(highest + 1);
    return baseName;
}

QString AutoOutputPath(const QString& inputPath, bool transparent, const AppSettings& settings,
                       bool heifAvailable) {
    QString folder, name, extension;
    SplitPath(inputPath, &folder, &name, &extension);
    const QString baseName = RemoveAutoNameSuffix(name) + kAutoNameSuffix;
    const QString outputExtension = AutoNameExtension(extension, transparent, heifAvailable);
    const QString outputFolder = AutoNameFolder(folder, settings);
    return outputFolder + NumberedName(outputFolder, baseName, outputExtension) + outputExtension;
}

bool SaveWithAutoName(const QString& inputPath, bool transparent, const AppSettings& settings,
                      bool heifAvailable, const AutoNameWriter& write, QString* outputPath) {
    const QString path = AutoOutputPath(inputPath, transparent, settings, heifAvailable);
    if (outputPath) *outputPath = path;
    // Only possible when the numbering gave no number. The writer refuses an
    // existing name again when it publishes, since one may appear meanwhile.
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) return false;
    return write(path);
}
