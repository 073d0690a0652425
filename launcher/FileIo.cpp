#include "FileIo.h"

#include <unistd.h>

#include <cerrno>

qsizetype ReadAt(int fd, qint64 offset, char* data, qsizetype size) {
    qsizetype done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, data + done, size - done, offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += got;
    }
    return done;
}

qsizetype WriteAll(int fd, const char* data, qsizetype size) {
    qsizetype done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += put;
    }
    return done;
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) close(m_fd);
    m_fd = fd;
}
