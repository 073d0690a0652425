#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace {
// Hidden, so that file managers do not show a file that is still growing, and
// without the target's name, so that a long target name cannot make it too
// long for the file system.
QByteArray TemporaryName() {
    return QByteArrayLiteral(".Oblimo-") +
           QByteArray::number(QRandomGenerator::system()->generate64(), 36) +
           QByteArrayLiteral(".tmp");
}

// Follows symbolic links from path to the entry they end at, which need not
// exist (a dangling link gets its file created, as opening it would). A path
// that is no link is returned as it is.
QByteArray FollowLinks(QByteArray path, int* error) {
    constexpr int kMaxLinks = 40;  // as the kernel allows
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length =
            ::readlink(path.constData(), target.data(), std::size_t(target.size()));
        if (length < 0 || length >= target.size()) {
            *error = length < 0 ? errno : ENAMETOOLONG;
            return {};
        }
        target.truncate(length);
        if (!target.startsWith('/')) {
            const qsizetype slash = path.lastIndexOf('/');
            if (slash >= 0) target.prepend(path.left(slash + 1));
        }
        path = target;
    }
    *error = ELOOP;
    return {};
}

bool WriteFully(int fd, const char* data, std::size_t size, std::int64_t offset, bool positioned) {
    while (size > 0) {
        const ssize_t written =
            positioned ? ::pwrite(fd, data, size, off_t(offset)) : ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= std::size_t(written);
        offset += written;
    }
    return true;
}
}  // namespace

AtomicFile::AtomicFile(QString targetPath) : m_targetPath(std::move(targetPath)) {}

AtomicFile::~AtomicFile() {
    Discard();
    if (m_folderFd >= 0) ::close(m_folderFd);
}

bool AtomicFile::Fail(int error) {
    if (m_error == 0) m_error = error;
    return false;
}

bool AtomicFile::Open(FilePublish publish) {
    if (m_fd >= 0 || m_folderFd >= 0) return Fail(EBUSY);
    m_publish = publish;
    QByteArray path = QFile::encodeName(m_targetPath);
    if (publish == FilePublish::Replace && !path.isEmpty() && !path.endsWith('/')) {
        int error = 0;
        path = FollowLinks(path, &error);
        if (error != 0) return Fail(error);
    }
    const qsizetype slash = path.lastIndexOf('/');
    m_folder = slash < 0    ? QByteArrayLiteral(".")
               : slash == 0 ? QByteArrayLiteral("/")
                            : path.left(slash);
    m_name = path.mid(slash + 1);
    if (m_name.isEmpty() || m_name == "." || m_name == "..") return Fail(EISDIR);

    // Every later step works relative to this descriptor, so a folder renamed
    // meanwhile cannot send the file anywhere else. A folder that may be written
    // but not listed still works; only the final flush of the folder is lost.
    m_folderFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0 && errno == EACCES)
        m_folderFd = ::open(m_folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0) return Fail(errno);
    // Refused before anything is encoded, and checked again when publishing.
    if (const int error = CheckReplaceable(); error != 0) return Fail(error);

    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tempName = TemporaryName();
        m_fd = ::openat(m_folderFd, m_tempName.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) return true;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    m_tempName.clear();
    return Fail(error);
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_writeFailed) return false;
    if (WriteFully(m_fd, static_cast<const char*>(data), size, 0, false)) return true;
    m_writeFailed = true;
    return Fail(errno);
}

bool AtomicFile::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    if (m_fd < 0 || m_writeFailed) return false;
    if (offset < 0) return Fail(EINVAL);
    if (WriteFully(m_fd, static_cast<const char*>(data), size, offset, true)) return true;
    m_writeFailed = true;
    return Fail(errno);
}

bool AtomicFile::Commit() {
    if (m_fd < 0) return Fail(EBADF);
    if (m_writeFailed) {
        Discard();
        return false;
    }
    bool ok = ::fsync(m_fd) == 0 || Fail(errno);
    // close reports write-back errors of some network file systems.
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && ok) ok = Fail(errno);
    if (ok) ok = Publish();
    if (!ok) {
        ::unlinkat(m_folderFd, m_tempName.constData(), 0);
        m_tempName.clear();
        return false;
    }
    m_tempName.clear();
    // The new name itself must survive a crash too. A folder opened only as a
    // path cannot be flushed; the file's contents are safe either way.
    ::fsync(m_folderFd);
    return true;
}

int AtomicFile::CheckReplaceable() const {
    if (m_publish != FilePublish::Replace) return 0;
    struct stat existing {};
    if (::fstatat(m_folderFd, m_name.constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;                              // nothing there yet
    if (!S_ISREG(existing.st_mode)) return 0;  // the rename refuses what must be refused
    // The rename needs only a writable folder; replacing the file needs the
    // right to write the file itself, judged with the ids the program runs as.
    if (::faccessat(m_folderFd, m_name.constData(), W_OK, AT_EACCESS) != 0) return errno;
    if (existing.st_nlink > 1) return EMLINK;
    return 0;
}

bool AtomicFile::Publish() {
    if (m_publish == FilePublish::NoReplace) {
        const int error =
            PublishWithoutReplacing(m_folderFd, m_tempName.constData(), m_name.constData());
        return error == 0 || Fail(error);
    }
    if (const int error = CheckReplaceable(); error != 0) return Fail(error);
    // A replaced file keeps its permission bits, as it did when it was
    // overwritten in place.
    struct stat existing {};
    if (::fstatat(m_folderFd, m_name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode))
        ::fchmodat(m_folderFd, m_tempName.constData(), existing.st_mode & 0777, 0);
    if (::renameat(m_folderFd, m_tempName.constData(), m_folderFd, m_name.constData()) != 0)
        return Fail(errno);
    return true;
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.isEmpty() && m_folderFd >= 0) ::unlinkat(m_folderFd, m_tempName.constData(), 0);
    m_tempName.clear();
}

int PublishWithoutReplacing(int folderFd, const char* from, const char* to, bool tryRename) {
    if (tryRename) {
        if (::renameat2(folderFd, from, folderFd, to, RENAME_NOREPLACE) == 0) return 0;
        // Only a file system that does not know the flag (some network and FUSE
        // file systems) gets the second way; every other error is final.
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    }
    if (::linkat(folderFd, from, folderFd, to, 0) != 0) return errno;
    // Published; a leftover second name would only be a hidden duplicate.
    ::unlinkat(folderFd, from, 0);
    return 0;
}
