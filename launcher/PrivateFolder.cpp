#include "PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

UniqueFd OpenPrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // Whether it was made now or left by an earlier run, the checks below decide.
    mkdir(name.constData(), 0700);
    UniqueFd folder(open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) return UniqueFd();
    struct stat status;
    if (fstat(folder.Get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != geteuid()) {
        return UniqueFd();
    }
    if ((status.st_mode & 07777) != 0700 && fchmod(folder.Get(), 0700) != 0) return UniqueFd();
    return folder;
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}
