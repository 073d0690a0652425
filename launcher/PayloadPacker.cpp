#include "PayloadPacker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUuid>
#include <cerrno>
#include <cstdio>
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

bool AppendFile(QFile& out, const InputFile& input, std::vector<char>& buffer, QString* error) {
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

bool PadTo(QFile& out, quint64 offset, QString* error) {
    const qint64 gap = qint64(offset) - out.pos();
    if (gap > 0 && out.write(QByteArray(gap, '\0')) != gap) {
        *error = QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString());
        return false;
    }
    return true;
}

// Any record-like block at a multiple of 128 in the launcher: in the output
// it keeps its offset, and it would be found before the new record whenever
// the payload is short enough to leave it inside the search window.
std::optional<qint64> FindRecordInLauncher(const InputFile& launcher, QString* error) {
    QFile in(launcher.path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(launcher.path, in.errorString());
        return std::nullopt;
    }
    // Chunks are a multiple of 128 long, so no candidate straddles two.
    std::vector<char> chunk(kCopyChunk);
    for (qint64 start = 0;; start += kCopyChunk) {
        const qint64 got = in.read(chunk.data(), kCopyChunk);
        if (got < 0) {
            *error = QStringLiteral("cannot read %1: %2").arg(launcher.path, in.errorString());
            return std::nullopt;
        }
        const std::int64_t found = FindRecordCandidate(chunk.data(), std::size_t(got));
        if (found >= 0) return start + found;
        if (got < kCopyChunk) return -1;
    }
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
    anchor.productName = request.productName.toStdString();
    anchor.folderName =
        (request.folderName.isEmpty() ? NewFolderGuid() : request.folderName).toStdString();
    anchor.installerName =
        (request.installerName.isEmpty() ? QFileInfo(request.installerPath).fileName()
                                         : request.installerName)
            .toStdString();
    anchor.packageName = (request.packageName.isEmpty() ? QFileInfo(request.packagePath).fileName()
                                                        : request.packageName)
                             .toStdString();
    if (anchor.productName.empty() || anchor.productName.find('\0') != std::string::npos)
        return Refuse(QStringLiteral("the product name must not be empty"));
    const std::pair<const char*, std::string> names[] = {{"folder", anchor.folderName},
                                                         {"installer", anchor.installerName},
                                                         {"package", anchor.packageName}};
    for (const auto& [what, name] : names) {
        if (!IsPlainFileName(name))
            return Refuse(QStringLiteral("the %1 name \"%2\" is not a plain file name")
                              .arg(QLatin1String(what), QString::fromStdString(name)));
    }

    const std::optional<qint64> oldRecord = FindRecordInLauncher(*launcher, &error);
    if (!oldRecord) return Fail(error);
    if (*oldRecord >= 0)
        return Refuse(QStringLiteral("%1 already carries a payload (a record at offset %2); "
                                     "pack the launcher as it was built")
                          .arg(request.launcherPath)
                          .arg(*oldRecord));

    const quint64 recordSize = EncodePayloadAnchor(anchor).size();
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

    // Written beside the output and put in its place only once it is complete
    // and checked.
    const QFileInfo outputInfo(request.outputPath);
    QTemporaryFile out(
        outputInfo.absoluteDir().filePath(outputInfo.fileName() + QStringLiteral(".XXXXXX")));
    if (!out.open())
        return Fail(
            QStringLiteral("cannot write %1: %2").arg(request.outputPath, out.errorString()));
    std::vector<char> buffer(kCopyChunk);
    if (!AppendFile(out, *launcher, buffer, &error) ||
        !AppendFile(out, *installer, buffer, &error) ||
        !PadTo(out, layout->packageOffset, &error) || !AppendFile(out, *package, buffer, &error) ||
        !PadTo(out, layout->anchorOffset, &error)) {
        return Fail(error);
    }
    const QByteArray record = QByteArray::fromStdString(EncodePayloadAnchor(anchor));
    if (out.write(record) != record.size() || !out.flush() || fsync(out.handle()) != 0)
        return Fail(
            QStringLiteral("cannot write %1: %2").arg(request.outputPath, out.errorString()));

    // The launcher takes the first record of its window, whatever follows.
    const AnchorSearchResult found = FindPayloadAnchor(out.handle());
    if (!found.accepted || found.anchorOffset != qint64(layout->anchorOffset) ||
        !(found.anchor == anchor)) {
        return Refuse(
            found.anchorOffset >= 0 && found.anchorOffset != qint64(layout->anchorOffset)
                ? QStringLiteral("the payload holds a record-like block at offset %1, which the "
                                 "launcher would find before the record at %2")
                      .arg(found.anchorOffset)
                      .arg(layout->anchorOffset)
                : QStringLiteral("the launcher would not find the record written at %1")
                      .arg(layout->anchorOffset));
    }

    if (!out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                            QFile::ExeOther) ||
        std::rename(QFile::encodeName(out.fileName()).constData(),
                    QFile::encodeName(request.outputPath).constData()) != 0) {
        return Fail(QStringLiteral("cannot write %1: %2")
                        .arg(request.outputPath, QString::fromLocal8Bit(strerror(errno))));
    }
    out.setAutoRemove(false);

    PackResult result;
    result.status = PackStatus::Packed;
    result.anchor = anchor;
    result.layout = *layout;
    return result;
}

QString NewFolderGuid() { return QUuid::createUuid().toString(QUuid::WithBraces).toUpper(); }
