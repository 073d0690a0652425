#include "FuzzEntries.h"
#include "launcher/AnchorSearch.h"

namespace {
volatile std::uint64_t g_anchorSink = 0;
}

void FuzzAnchor(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    const std::int64_t windowStart = std::int64_t(data[0]) * kAnchorAlignment;
    const AnchorSearchResult result =
        ScanAnchorWindow(reinterpret_cast<const char*>(data + 1), size - 1, windowStart);
    g_anchorSink = g_anchorSink + result.accepted + result.caption.size() +
                   std::uint64_t(result.anchorOffset) + IsPlainFileName(result.anchor.packageName);
}
