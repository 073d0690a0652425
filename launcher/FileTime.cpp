#include "FileTime.h"

#include <cstdint>

timespec FileTimeToTimespec(std::uint64_t fileTime) {
    // Every FILETIME fits a signed 64-bit tick count relative to 1970, and
    // floor division keeps the nanoseconds non-negative before 1970.
    const std::int64_t ticks = fileTime >= kFileTimeUnixEpoch
                                   ? std::int64_t(fileTime - kFileTimeUnixEpoch)
                                   : -std::int64_t(kFileTimeUnixEpoch - fileTime);
    const std::int64_t perSecond = std::int64_t(kFileTimeTicksPerSecond);
    std::int64_t seconds = ticks / perSecond;
    std::int64_t rest = ticks % perSecond;
    if (rest < 0) {
        rest += perSecond;
        seconds -= 1;
    }
    timespec time{};
    time.tv_sec = time_t(seconds);
    time.tv_nsec = long(rest * 100);
    return time;
}

std::uint64_t TimespecToFileTime(const timespec& time) {
    const std::int64_t epochSeconds = std::int64_t(kFileTimeUnixEpoch / kFileTimeTicksPerSecond);
    const std::int64_t seconds = std::int64_t(time.tv_sec) + epochSeconds;
    if (seconds < 0) return 0;
    if (std::uint64_t(seconds) >= UINT64_MAX / kFileTimeTicksPerSecond) return UINT64_MAX;
    return std::uint64_t(seconds) * kFileTimeTicksPerSecond + std::uint64_t(time.tv_nsec / 100);
}
