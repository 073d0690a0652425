#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "PayloadAnchor.h"

// Finding and accepting the record at the end of a launcher file.
//
// The last 131072 bytes are read from a window start W that is a multiple of
// 128 (0 for small files); candidates are the positions W, W + 128, ... whose
// first 4 bytes are magicHead and whose bytes 40..43 are magicTail. Only the
// first candidate counts, even when it then turns out unusable. It is
// accepted when its four strings are complete and non-empty, the three names
// are plain file names, and it does not start at offset 0.
struct AnchorSearchResult {
    bool accepted = false;
    // productName of the candidate as soon as it has been read, even when the
    // record is refused afterwards; empty when there was no candidate.
    std::string caption;
    // File offset of the candidate, -1 when none carries both magic values.
    std::int64_t anchorOffset = -1;
    // Complete only when accepted.
    PayloadAnchor anchor;
};

// Where the search window starts for a file of this size.
std::int64_t AnchorWindowStart(std::int64_t fileSize);

// The first position p = 0, 128, 256, ... of the bytes at which a fixed part
// with both magic values fits and starts; -1 when there is none.
std::int64_t FindRecordCandidate(const char* data, std::size_t length);

// Scans the bytes read from the window start to the end of the file (at most
// 131072 of them; fewer when the read came up short).
AnchorSearchResult ScanAnchorWindow(const char* window, std::size_t length,
                                    std::int64_t windowStart);

// Reads the window of the open file and scans it. A file whose size cannot be
// taken has no anchor.
AnchorSearchResult FindPayloadAnchor(int fd);

// A name that stays one entry inside the folder it is joined to: not empty,
// not "." or "..", no "/" and no NUL. The names in the record come from a file
// that anyone may have altered, so the launcher refuses everything else.
bool IsPlainFileName(std::string_view name);
