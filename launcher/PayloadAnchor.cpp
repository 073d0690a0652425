#include "PayloadAnchor.h"

#include "Utf16Text.h"

namespace {

template <typename T>
T ReadLittleEndian(const char* data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= T(bytes[i]) << (8 * i);
    return value;
}

template <typename T>
void WriteLittleEndian(T value, char* data) {
    for (std::size_t i = 0; i < sizeof(T); ++i) data[i] = char((value >> (8 * i)) & 0xFF);
}

void AppendString(std::string& record, const std::string& text) {
    record += Utf8ToUtf16Le(text);
    record.append(2, '\0');
}

}  // namespace

std::uint32_t ReadLittleEndian32(const char* data) { return ReadLittleEndian<std::uint32_t>(data); }

std::uint64_t ReadLittleEndian64(const char* data) { return ReadLittleEndian<std::uint64_t>(data); }

PayloadAnchorFixed DecodeAnchorFixedPart(const char* data) {
    PayloadAnchorFixed fixed;
    fixed.magicHead = ReadLittleEndian32(data + 0);
    fixed.payloadStart = ReadLittleEndian32(data + 4);
    fixed.installerTime = ReadLittleEndian64(data + 8);
    fixed.packageTime = ReadLittleEndian64(data + 16);
    fixed.installerOffset = ReadLittleEndian32(data + 24);
    fixed.installerSize = ReadLittleEndian32(data + 28);
    fixed.packageOffset = ReadLittleEndian32(data + 32);
    fixed.packageSize = ReadLittleEndian32(data + 36);
    fixed.magicTail = ReadLittleEndian32(data + 40);
    return fixed;
}

void EncodeAnchorFixedPart(const PayloadAnchorFixed& fixed, char* data) {
    WriteLittleEndian(fixed.magicHead, data + 0);
    WriteLittleEndian(fixed.payloadStart, data + 4);
    WriteLittleEndian(fixed.installerTime, data + 8);
    WriteLittleEndian(fixed.packageTime, data + 16);
    WriteLittleEndian(fixed.installerOffset, data + 24);
    WriteLittleEndian(fixed.installerSize, data + 28);
    WriteLittleEndian(fixed.packageOffset, data + 32);
    WriteLittleEndian(fixed.packageSize, data + 36);
    WriteLittleEndian(fixed.magicTail, data + 40);
}

std::string EncodePayloadAnchor(const PayloadAnchor& anchor) {
    std::string record(kAnchorFixedSize, '\0');
    EncodeAnchorFixedPart(anchor.fixed, record.data());
    AppendString(record, anchor.productName);
    AppendString(record, anchor.folderName);
    AppendString(record, anchor.installerName);
    AppendString(record, anchor.packageName);
    record.append(2, '\0');
    return record;
}
