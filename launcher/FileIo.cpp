#include "FileIo.h"

#include <unistd.h>

#include <cerrno>

std::size_t ReadAt(int fd, std::int64_t offset, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, data + done, size - done, off_t(offset + std::int64_t(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += std::size_t(got);
    }
    return done;
}

std::size_t WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += std::size_t(put);
    }
    return done;
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) close(m_fd);
    m_fd = fd;
}
