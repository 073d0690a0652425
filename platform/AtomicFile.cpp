#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
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

bool AtomicFile::Open() {
    if (m_fd >= 0 || m_folderFd >= 0) return Fail(EBUSY);
    const QByteArray path = QFile::encodeName(m_targetPath);
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

bool AtomicFile::Commit(FilePublish publish) {
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
    if (ok) ok = Publish(publish);
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

bool AtomicFile::Publish(FilePublish publish) {
    if (publish == FilePublish::NoReplace) {
        const int error =
            PublishWithoutReplacing(m_folderFd, m_tempName.constData(), m_name.constData());
        return error == 0 || Fail(error);
    }
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
