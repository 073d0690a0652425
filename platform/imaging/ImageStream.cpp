#include "ImageStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "ImageLimits.h"

namespace {
class FileDescriptor {
public:
    explicit FileDescriptor(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(),
                      O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Reads up to size bytes; fewer when the file was shortened meanwhile. A file
// that grew is read only as far as its size when it was opened.
bool ReadUpTo(int fd, qint64 size, QByteArray* bytes) {
    bytes->resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes->data() + done, std::size_t(size - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += got;
    }
    bytes->truncate(done);
    return true;
}
}  // namespace

std::unique_ptr<ImageStream> ImageStream::OpenFile(const QString& path) {
    const FileDescriptor file(path);
    if (file.Get() < 0) return nullptr;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
    if (status.st_size > kMaxImageFileBytes) return nullptr;
    std::unique_ptr<ImageStream> stream(new ImageStream);
    if (!ReadUpTo(file.Get(), status.st_size, &stream->m_bytes)) return nullptr;
    return stream;
}

std::unique_ptr<ImageStream> ImageStream::FromBytes(QByteArray bytes) {
    std::unique_ptr<ImageStream> stream(new ImageStream);
    stream->m_bytes = std::move(bytes);
    return stream;
}

bool FileOpensForReading(const QString& path) { return FileDescriptor(path).Get() >= 0; }
