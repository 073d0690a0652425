#pragma once

#include <cstdint>
#include <string>

// The record that a setup launcher file carries behind its payload. The file
// holds, in this order: the launcher's own program, the installer program
// ("file 1"), the package it installs ("file 2"), then this record at a file
// offset that is a multiple of 128 inside the last 131072 bytes of the file.
// Anything may follow the record. All numbers are little-endian.
//
// The fixed part is 44 bytes:
//   0 magicHead   4 payloadStart   8 installerTime   16 packageTime
//   24 installerOffset   28 installerSize   32 packageOffset   36 packageSize
//   40 magicTail
// and is followed by four UTF-16LE strings, each ended by one zero unit,
// without gaps: productName, folderName, installerName, packageName.
//
// Nothing here depends on a toolkit: the launcher runs before the editor's
// libraries are installed.

inline constexpr std::uint32_t kAnchorMagicHead = 0x55AA66BC;
inline constexpr std::uint32_t kAnchorMagicTail = 0x66BB55AB;
inline constexpr int kAnchorFixedSize = 44;
inline constexpr int kAnchorAlignment = 128;
// Only this many bytes at the end of the file are searched for the record.
inline constexpr int kAnchorSearchSize = 131072;

struct PayloadAnchorFixed {
    std::uint32_t magicHead = kAnchorMagicHead;
    // Where the payload begins, that is the size of the launcher's own program.
    // Written for the record's readers; the launcher does not need it.
    std::uint32_t payloadStart = 0;
    // Last-write times as FILETIME: 100-ns ticks since 1601-01-01 UTC.
    std::uint64_t installerTime = 0;
    std::uint64_t packageTime = 0;
    std::uint32_t installerOffset = 0;
    std::uint32_t installerSize = 0;
    std::uint32_t packageOffset = 0;
    std::uint32_t packageSize = 0;
    std::uint32_t magicTail = kAnchorMagicTail;

    bool operator==(const PayloadAnchorFixed&) const = default;
};

// The four strings are held as UTF-8.
struct PayloadAnchor {
    PayloadAnchorFixed fixed;
    std::string productName;    // caption of the launcher's messages
    std::string folderName;     // created in the user's temporary folder
    std::string installerName;  // file 1 is written and started under this name
    std::string packageName;    // file 2 is written under this name

    bool operator==(const PayloadAnchor&) const = default;
};

// The record as the packaging step writes it: the fixed part, the four strings
// each with its zero, and one further zero unit so that whatever follows starts
// at a multiple of 8 for the usual string lengths.
std::string EncodePayloadAnchor(const PayloadAnchor& anchor);

// Reads the 44-byte fixed part at data.
PayloadAnchorFixed DecodeAnchorFixedPart(const char* data);
void EncodeAnchorFixedPart(const PayloadAnchorFixed& fixed, char* data);

// Little-endian numbers at data.
std::uint32_t ReadLittleEndian32(const char* data);
std::uint64_t ReadLittleEndian64(const char* data);
