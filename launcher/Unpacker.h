#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Copies one file of the payload out of the launcher's own file.
enum class UnpackStatus {
    Unpacked,
    CreateFailed,  // the target could not be made (or is not a plain file of ours)
    ReadFailed,    // the launcher file ended early or could not be read
    WriteFailed,   // the target could not take all bytes
};

struct PayloadFile {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::uint64_t fileTime = 0;  // FILETIME given to the target as its modification time
    mode_t mode = 0600;
};

// Writes the target name inside the open folder, replacing an existing file
// but never following a link, chunk by chunk through buffer (1 MiB). After a
// read or write failure the part written so far stays and no time is set.
UnpackStatus UnpackPayloadFile(int ownFile, int folder, const std::string& targetName,
                               const PayloadFile& file, std::vector<char>& buffer);
