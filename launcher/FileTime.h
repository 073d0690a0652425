#pragma once

#include <cstdint>
#include <ctime>

// FILETIME values count 100-ns ticks since 1601-01-01 00:00 UTC; the file
// system counts seconds and nanoseconds since 1970-01-01 00:00 UTC.
inline constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;
inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

timespec FileTimeToTimespec(std::uint64_t fileTime);
// Rounds down to whole ticks; a time before 1601 becomes 0.
std::uint64_t TimespecToFileTime(const timespec& time);
