#include "Unpacker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "FileIo.h"
#include "FileTime.h"

namespace {

// O_NONBLOCK keeps a FIFO planted under the target's name from blocking the
// open; anything but a regular file of ours is refused right after.
UniqueFd CreateTarget(int folder, const std::string& name, mode_t mode) {
    UniqueFd target(openat(folder, name.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                           mode));
    if (!target) return UniqueFd();
    struct stat status;
    if (fstat(target.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != geteuid()) {
        return UniqueFd();
    }
    // A replaced file keeps its old mode; the installer must be executable.
    if (fchmod(target.Get(), mode) != 0) return UniqueFd();
    const int flags = fcntl(target.Get(), F_GETFL);
    if (flags < 0 || fcntl(target.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return UniqueFd();
    return target;
}

}  // namespace

UnpackStatus UnpackPayloadFile(int ownFile, int folder, const std::string& targetName,
                               const PayloadFile& file, std::vector<char>& buffer) {
    UniqueFd target = CreateTarget(folder, targetName, file.mode);
    if (!target) return UnpackStatus::CreateFailed;

    std::int64_t position = file.offset;
    for (std::uint64_t left = file.size; left > 0;) {
        const std::size_t chunk = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
        if (ReadAt(ownFile, position, buffer.data(), chunk) != chunk)
            return UnpackStatus::ReadFailed;
        if (WriteAll(target.Get(), buffer.data(), chunk) != chunk) return UnpackStatus::WriteFailed;
        position += chunk;
        left -= chunk;
    }

    const timespec times[2] = {{0, UTIME_OMIT}, FileTimeToTimespec(file.fileTime)};
    futimens(target.Get(), times);
    // Some file systems report a full disk only when the file is closed.
    if (close(target.Release()) != 0) return UnpackStatus::WriteFailed;
    return UnpackStatus::Unpacked;
}
