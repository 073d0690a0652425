#include "PayloadAnchor.h"

#include <QtEndian>

PayloadAnchorFixed DecodeAnchorFixedPart(const char* data) {
    const auto u32 = [data](int at) { return qFromLittleEndian<std::uint32_t>(data + at); };
    const auto u64 = [data](int at) { return qFromLittleEndian<std::uint64_t>(data + at); };
    PayloadAnchorFixed fixed;
    fixed.magicHead = u32(0);
    fixed.payloadStart = u32(4);
    fixed.installerTime = u64(8);
    fixed.packageTime = u64(16);
    fixed.installerOffset = u32(24);
    fixed.installerSize = u32(28);
    fixed.packageOffset = u32(32);
    fixed.packageSize = u32(36);
    fixed.magicTail = u32(40);
    return fixed;
}

void EncodeAnchorFixedPart(const PayloadAnchorFixed& fixed, char* data) {
    qToLittleEndian(fixed.magicHead, data + 0);
    qToLittleEndian(fixed.payloadStart, data + 4);
    qToLittleEndian(fixed.installerTime, data + 8);
    qToLittleEndian(fixed.packageTime, data + 16);
    qToLittleEndian(fixed.installerOffset, data + 24);
    qToLittleEndian(fixed.installerSize, data + 28);
    qToLittleEndian(fixed.packageOffset, data + 32);
    qToLittleEndian(fixed.packageSize, data + 36);
    qToLittleEndian(fixed.magicTail, data + 40);
}

namespace {
void AppendUtf16Le(QByteArray& out, const QString& text) {
    for (const QChar unit : text) {
        char bytes[2];
        qToLittleEndian(unit.unicode(), bytes);
        out.append(bytes, 2);
    }
    out.append(2, '\0');
}
}  // namespace

QByteArray EncodePayloadAnchor(const PayloadAnchor& anchor) {
    QByteArray record(kAnchorFixedSize, '\0');
    EncodeAnchorFixedPart(anchor.fixed, record.data());
    AppendUtf16Le(record, anchor.productName);
    AppendUtf16Le(record, anchor.folderName);
    AppendUtf16Le(record, anchor.installerName);
    AppendUtf16Le(record, anchor.packageName);
    record.append(2, '\0');
    return record;
}
