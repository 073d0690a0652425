#include "PrivateTempFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// lstat: a link planted under the name is refused, not followed.
bool IsPrivateFolder(const QByteArray& native) {
    struct stat info {};
    if (lstat(native.constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}
}  // namespace

QString PrivateTempFolder(TempFolderUse use) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && IsPrivateFolder(QFile::encodeName(runtime)))
        return QDir::cleanPath(runtime);

    const QString path = QDir::tempPath() + QStringLiteral("/oblimo-%1").arg(getuid());
    const QByteArray native = QFile::encodeName(path);
    if (use == TempFolderUse::Create && mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return IsPrivateFolder(native) ? path : QString();
}
