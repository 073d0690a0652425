#include "PrivateTempFolder.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString PrivateTempFolder() {
    const QString path = QDir::tempPath() + QStringLiteral("/oblimo-%1").arg(getuid());
    const QByteArray native = QFile::encodeName(path);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return QString();
    struct stat info {};
    // lstat: a link planted under our name is refused, not followed.
    if (lstat(native.constData(), &info) != 0) return QString();
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0)
        return QString();
    return path;
}
