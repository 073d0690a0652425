#include "AnchorSearch.h"

#include <sys/stat.h>

#include <QtEndian>
#include <vector>

#include "FileIo.h"

namespace {

// Reads the string that starts at q and moves q past its zero unit. The last
// byte of the window never starts a unit: a string that does not end before
// it is incomplete and comes back empty, with q left at the end.
QString ReadAnchorString(const char* window, qsizetype length, qsizetype& q) {
    if (q >= length - 1) return QString();
    QString text;
    qsizetype at = q;
    for (; at < length - 1; at += 2) {
        const char16_t unit = qFromLittleEndian<char16_t>(window + at);
        if (unit == 0) {
            q = at + 2;
            return text;
        }
        text.append(QChar(unit));
    }
    q = at;
    return QString();
}

}  // namespace

qint64 AnchorWindowStart(qint64 fileSize) {
    if (fileSize <= kAnchorSearchSize) return 0;
    const qint64 start = fileSize - kAnchorSearchSize;
    return (start + kAnchorAlignment - 1) / kAnchorAlignment * kAnchorAlignment;
}

AnchorSearchResult ScanAnchorWindow(const char* window, qsizetype length, qint64 windowStart) {
    AnchorSearchResult result;
    qsizetype p = 0;
    for (; p + kAnchorFixedSize <= length; p += kAnchorAlignment) {
        if (qFromLittleEndian<std::uint32_t>(window + p) == kAnchorMagicHead &&
            qFromLittleEndian<std::uint32_t>(window + p + 40) == kAnchorMagicTail) {
            break;
        }
    }
    if (p + kAnchorFixedSize > length) return result;

    result.anchorOffset = windowStart + p;
    PayloadAnchor anchor;
    qsizetype q = p + kAnchorFixedSize;
    anchor.productName = ReadAnchorString(window, length, q);
    result.caption = anchor.productName;
    anchor.folderName = ReadAnchorString(window, length, q);
    anchor.installerName = ReadAnchorString(window, length, q);
    anchor.packageName = ReadAnchorString(window, length, q);

    if (anchor.productName.isEmpty() || !IsPlainFileName(anchor.folderName) ||
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
    const qint64 start = AnchorWindowStart(status.st_size);
    std::vector<char> window(kAnchorSearchSize);
    // A read that stops early leaves fewer bytes to scan, nothing more.
    const qsizetype length = ReadAt(fd, start, window.data(), window.size());
    return ScanAnchorWindow(window.data(), length, start);
}

bool IsPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}
