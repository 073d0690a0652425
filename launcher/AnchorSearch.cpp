#include "AnchorSearch.h"

#include <sys/stat.h>

#include <vector>

#include "FileIo.h"
#include "Utf16Text.h"

namespace {

// Reads the string that starts at q and moves q past its zero unit. The last
// byte of the window never starts a unit: a string that does not end before
// it is incomplete and comes back empty, with q left at the end.
std::string ReadAnchorString(const char* window, std::size_t length, std::size_t& q) {
    if (q + 1 >= length) return std::string();
    std::size_t at = q;
    for (; at + 1 < length; at += 2) {
        if (window[at] == 0 && window[at + 1] == 0) {
            std::string text = Utf16LeToUtf8(window + q, (at - q) / 2);
            q = at + 2;
            return text;
        }
    }
    q = at;
    return std::string();
}

}  // namespace

std::int64_t AnchorWindowStart(std::int64_t fileSize) {
    if (fileSize <= kAnchorSearchSize) return 0;
    const std::int64_t start = fileSize - kAnchorSearchSize;
    return (start + kAnchorAlignment - 1) / kAnchorAlignment * kAnchorAlignment;
}

std::int64_t FindRecordCandidate(const char* data, std::size_t length) {
    for (std::size_t p = 0; p + kAnchorFixedSize <= length; p += kAnchorAlignment) {
        if (ReadLittleEndian32(data + p) == kAnchorMagicHead &&
            ReadLittleEndian32(data + p + 40) == kAnchorMagicTail) {
            return std::int64_t(p);
        }
    }
    return -1;
}

AnchorSearchResult ScanAnchorWindow(const char* window, std::size_t length,
                                    std::int64_t windowStart) {
    AnchorSearchResult result;
    const std::int64_t p = FindRecordCandidate(window, length);
    if (p < 0) return result;

    result.anchorOffset = windowStart + p;
    PayloadAnchor anchor;
    std::size_t q = std::size_t(p) + kAnchorFixedSize;
    anchor.productName = ReadAnchorString(window, length, q);
    result.caption = anchor.productName;
    anchor.folderName = ReadAnchorString(window, length, q);
    anchor.installerName = ReadAnchorString(window, length, q);
    anchor.packageName = ReadAnchorString(window, length, q);

    if (anchor.productName.empty() || !IsPlainFileName(anchor.folderName) ||
        !IsPlainFileName(anchor.installerName) || !IsPlainFileName(anchor.packageName) ||
        result.anchorOffset == 0) {
        return result;
    }
    anchor.fixed = DecodeAnchorFixedPart(window + p);
    result.anchor = anchor;
    result.accepted = true;
    return result;
}

AnchorSearchResult FindPayloadAnchor(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0) return AnchorSearchResult();
    // The size is taken whole: a window computed from a truncated 32-bit size
    // would look at the wrong end of a file of 2 GiB or more.
    const std::int64_t start = AnchorWindowStart(status.st_size);
    std::vector<char> window(kAnchorSearchSize);
    // A read that stops early leaves fewer bytes to scan, nothing more.
    const std::size_t length = ReadAt(fd, start, window.data(), window.size());
    return ScanAnchorWindow(window.data(), length, start);
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}
