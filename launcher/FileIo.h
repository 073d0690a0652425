#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

// Whole reads and writes on file descriptors: the kernel may hand over fewer
// bytes than asked for, and a signal may interrupt a call, so both loop.

// Reads up to size bytes at offset; returns how many arrived before the end of
// the file or an error.
std::size_t ReadAt(int fd, std::int64_t offset, char* data, std::size_t size);

// Writes all bytes at the current position; returns how many were written
// before an error.
std::size_t WriteAll(int fd, const char* data, std::size_t size);

// Owns one file descriptor and closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void Reset(int fd = -1);
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};
