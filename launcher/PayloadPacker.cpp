#include "PayloadPacker.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <vector>

#include "AnchorSearch.h"
#include "FileTime.h"

namespace {

constexpr quint64 kLargestField = 0xFFFFFFFFull;
// The launcher treats the file size as a signed 32-bit number.
constexpr quint64 kFileSizeLimit = 0x80000000ull;
constexpr qint64 kCopyChunk = 1 << 20;

quint64 AlignUp(quint64 value, quint64 alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

struct InputFile {
    QString path;
    quint64 size = 0;
    std::uint64_t fileTime = 0;
};

std::optional<InputFile> MeasureInput(const QString& path, QString* error) {
    struct stat status;
    if (stat(QFile::encodeName(path).constData(), &status) != 0) {
        *error =
            QStringLiteral("cannot read %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return std::nullopt;
    }
    return InputFile{path, quint64(status.st_size), TimespecToFileTime(status.st_mtim)};
}

bool AppendFile(QSaveFile& out, const InputFile& input, std::vector<char>& buffer, QString* error) {
    QFile in(input.path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(input.path, in.errorString());
        return false;
    }
    for (quint64 left = input.size; left > 0;) {
        const qint64 chunk = qint64(qMin<quint64>(left, kCopyChunk));
        if (in.read(buffer.data(), chunk) != chunk) {
            *error = QStringLiteral("%1 became shorter while it was packed").arg(input.path);
            return false;
        }
        if (out.write(buffer.data(), chunk) != chunk) {
            *error = QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString());
            return false;
        }
        left -= quint64(chunk);
    }
    char extra;
    if (in.read(&extra, 1) != 0) {
        *error = QStringLiteral("%1 changed while it was packed").arg(input.path);
        return false;
    }
    return true;
}

bool PadTo(QSaveFile& out, quint64 offset, QString* error) {
    const qint64 gap = qint64(offset) - out.pos();
    if (gap > 0 && out.write(QByteArray(gap, '\0')) != gap) {
        *error = QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString());
        return false;
    }
    return true;
}

PackResult Refuse(const QString& message) {
    PackResult result;
    result.status = PackStatus::Refused;
    result.message = message;
    return result;
}

PackResult Fail(const QString& message) {
    PackResult result;
    result.status = PackStatus::Failed;
    result.message = message;
    return result;
}

}  // namespace

std::optional<PayloadLayout> PlanPayloadLayout(quint64 launcherSize, quint64 installerSize,
                                               quint64 packageSize, quint64 recordSize,
                                               QString* refusal) {
    PayloadLayout layout;
    layout.installerOffset = launcherSize;
    layout.packageOffset = AlignUp(layout.installerOffset + installerSize, 8);
    layout.anchorOffset = AlignUp(layout.packageOffset + packageSize, kAnchorAlignment);
    layout.totalSize = layout.anchorOffset + recordSize;

    const auto refuse = [refusal](const QString& why) {
        if (refusal) *refusal = why;
        return std::nullopt;
    };
    if (layout.installerOffset > kLargestField)
        return refuse(QStringLiteral("the installer would start at offset %1, beyond 32 bits")
                          .arg(layout.installerOffset));
    if (installerSize > kLargestField)
        return refuse(QStringLiteral("the installer has %1 bytes, more than 32 bits can count")
                          .arg(installerSize));
    if (layout.packageOffset > kLargestField)
        return refuse(QStringLiteral("the package would start at offset %1, beyond 32 bits")
                          .arg(layout.packageOffset));
    if (packageSize > kLargestField)
        return refuse(QStringLiteral("the package has %1 bytes, more than 32 bits can count")
                          .arg(packageSize));
    if (recordSize > quint64(kAnchorSearchSize))
        return refuse(QStringLiteral("the names are too long: the record would have %1 bytes, "
                                     "the launcher searches only the last %2")
                          .arg(recordSize)
                          .arg(kAnchorSearchSize));
    if (layout.totalSize >= kFileSizeLimit)
        return refuse(QStringLiteral("the result would have %1 bytes; it must stay below 2 GiB")
                          .arg(layout.totalSize));
    return layout;
}

PackResult PackPayload(const PackRequest& request) {
    QString error;
    const std::optional<InputFile> launcher = MeasureInput(request.launcherPath, &error);
    if (!launcher) return Fail(error);
    const std::optional<InputFile> installer = MeasureInput(request.installerPath, &error);
    if (!installer) return Fail(error);
    const std::optional<InputFile> package = MeasureInput(request.packagePath, &error);
    if (!package) return Fail(error);

    PayloadAnchor anchor;
    anchor.productName = request.productName;
    anchor.folderName = request.folderName.isEmpty() ? NewFolderGuid() : request.folderName;
    anchor.installerName = request.installerName.isEmpty()
                               ? QFileInfo(request.installerPath).fileName()
                               : request.installerName;
    anchor.packageName = request.packageName.isEmpty() ? QFileInfo(request.packagePath).fileName()
                                                       : request.packageName;
    if (anchor.productName.isEmpty() || anchor.productName.contains(QChar(u'\0')))
        return Refuse(QStringLiteral("the product name must not be empty"));
    const std::pair<const char*, QString> names[] = {{"folder", anchor.folderName},
                                                     {"installer", anchor.installerName},
                                                     {"package", anchor.packageName}};
    for (const auto& [what, name] : names) {
        if (!IsPlainFileName(name))
            return Refuse(QStringLiteral("the %1 name \"%2\" is not a plain file name")
                              .arg(QLatin1String(what), name));
    }

    const qsizetype recordSize = EncodePayloadAnchor(anchor).size();
    const std::optional<PayloadLayout> layout =
        PlanPayloadLayout(launcher->size, installer->size, package->size, recordSize, &error);
    if (!layout) return Refuse(error);

    anchor.fixed.payloadStart = std::uint32_t(layout->installerOffset);
    anchor.fixed.installerTime = installer->fileTime;
    anchor.fixed.packageTime = package->fileTime;
    anchor.fixed.installerOffset = std::uint32_t(layout->installerOffset);
    anchor.fixed.installerSize = std::uint32_t(installer->size);
    anchor.fixed.packageOffset = std::uint32_t(layout->packageOffset);
    anchor.fixed.packageSize = std::uint32_t(package->size);

    QSaveFile out(request.outputPath);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(
            QStringLiteral("cannot write %1: %2").arg(request.outputPath, out.errorString()));
    std::vector<char> buffer(kCopyChunk);
    if (!AppendFile(out, *launcher, buffer, &error) ||
        !AppendFile(out, *installer, buffer, &error) ||
        !PadTo(out, layout->packageOffset, &error) || !AppendFile(out, *package, buffer, &error) ||
        !PadTo(out, layout->anchorOffset, &error)) {
        return Fail(error);
    }
    const QByteArray record = EncodePayloadAnchor(anchor);
    if (out.write(record) != record.size() || !out.commit())
        return Fail(
            QStringLiteral("cannot write %1: %2").arg(request.outputPath, out.errorString()));
    QFile::setPermissions(request.outputPath, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadGroup |
                                                  QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::ExeOther);

    PackResult result;
    result.status = PackStatus::Packed;
    result.anchor = anchor;
    result.layout = *layout;
    return result;
}

QString NewFolderGuid() { return QUuid::createUuid().toString(QUuid::WithBraces).toUpper(); }
