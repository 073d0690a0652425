// Finding and accepting the record at the end of a launcher file, on files
// laid out by hand.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "launcher/AnchorSearch.h"
#include "launcher/FileIo.h"
#include "launcher/FileTime.h"
#include "launcher/Utf16Text.h"

namespace {

PayloadAnchor Record(const std::string& folder = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}",
                     const std::string& installer = "setup",
                     const std::string& package = "oblimo.deb",
                     const std::string& product = "Oblimo") {
    PayloadAnchor anchor;
    anchor.fixed.payloadStart = 71168;
    anchor.fixed.installerTime = 0x01D7'1234'5678'9ABCull;
    anchor.fixed.packageTime = 0x01D8'0000'0000'0001ull;
    anchor.fixed.installerOffset = 71168;
    anchor.fixed.installerSize = 443592;
    anchor.fixed.packageOffset = 514768;
    anchor.fixed.packageSize = 1123840;
    anchor.productName = product;
    anchor.folderName = folder;
    anchor.installerName = installer;
    anchor.packageName = package;
    return anchor;
}

struct Placed {
    qint64 offset;
    QByteArray bytes;
};

// A file of the given size filled with a byte that is neither zero nor part
// of a magic value, with the records written over it. Records that reach past
// the size are cut off there.
QByteArray LayOut(qint64 size, const std::vector<Placed>& records) {
    QByteArray file(size, 'x');
    for (const Placed& record : records) {
        const qint64 fits = qMin<qint64>(record.bytes.size(), size - record.offset);
        file.replace(record.offset, fits, record.bytes.left(fits));
    }
    return file;
}

QByteArray Encoded(const PayloadAnchor& anchor) {
    return QByteArray::fromStdString(EncodePayloadAnchor(anchor));
}

AnchorSearchResult SearchFile(const QByteArray& contents) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("launcher"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();
    const UniqueFd fd(open(QFile::encodeName(path).constData(), O_RDONLY));
    return FindPayloadAnchor(fd.Get());
}

const QByteArray kRecord = Encoded(Record());
// The record without its extra zero: the last string's zero ends the file.
const QByteArray kBareRecord = kRecord.chopped(2);

struct SearchCase {
    const char* name;
    qint64 fileSize;
    std::vector<Placed> records;
    bool accepted;
    qint64 anchorOffset;  // -1: no candidate
    std::string caption;
    std::string folderName;  // checked when accepted
};

const qint64 kLargeFile = 300000;
// 300000 - 131072 = 168928, rounded up to a multiple of 128.
const qint64 kLargeWindow = 168960;

std::vector<SearchCase> SearchCases() {
    const std::string oblimo = "Oblimo";
    const std::string guid = Record().folderName;
    const std::string none;
    return {
        {"AcceptedInSmallFile", 1000, {{512, kRecord}}, true, 512, oblimo, guid},
        {"OffsetNotMultipleOf128", 1000, {{520, kRecord}}, false, -1, none, none},
        {"FileOfExactly128KiBScannedFromStart", 131072, {{128, kRecord}}, true, 128, oblimo, guid},
        {"RecordAtOffsetZeroRefused", 1000, {{0, kRecord}}, false, 0, oblimo, none},
        {"RecordAtWindowStart",
         kLargeFile,
         {{kLargeWindow, kRecord}},
         true,
         kLargeWindow,
         oblimo,
         guid},
        {"RecordMoreThan128KiBBeforeEnd",
         kLargeFile,
         {{kLargeWindow - 128, kRecord}},
         false,
         -1,
         none,
         none},
        {"LastZeroIsLastUnitOfFile",
         768 + kBareRecord.size(),
         {{768, kBareRecord}},
         true,
         768,
         oblimo,
         guid},
        {"PackageNameWithoutZeroKeepsCaption",
         768 + kBareRecord.size() - 2,
         {{768, kBareRecord}},
         false,
         768,
         oblimo,
         none},
        {"PackageNameZeroCutInHalf",
         768 + kBareRecord.size() - 1,
         {{768, kBareRecord}},
         false,
         768,
         oblimo,
         none},
        {"FixedPartEndsAtFileEnd", 896 + 44, {{896, kRecord}}, false, 896, none, none},
        {"LowerOfTwoRecordsCounts",
         2000,
         {{256, Encoded(Record("lower"))}, {1024, Encoded(Record("upper"))}},
         true,
         256,
         oblimo,
         "lower"},
        {"UnusableLowerRecordHidesUpper",
         2000,
         {{256, Encoded(Record("lower", "", "p", "First"))}, {1024, kRecord}},
         false,
         256,
         "First",
         none},
        {"HeadMagicAloneIsNoCandidate", 1000, {{384, kRecord.left(40)}}, false, -1, none, none},
    };
}

class AnchorSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(AnchorSearchTest, FindsAndAccepts) {
    const SearchCase& c = GetParam();
    const AnchorSearchResult result = SearchFile(LayOut(c.fileSize, c.records));
    EXPECT_EQ(result.accepted, c.accepted);
    EXPECT_EQ(result.anchorOffset, c.anchorOffset);
    EXPECT_EQ(result.caption, c.caption);
    if (c.accepted) {
        PayloadAnchor expected = Record(c.folderName);
        EXPECT_EQ(result.anchor, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, AnchorSearchTest, ::testing::ValuesIn(SearchCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Names from the record become paths: anything but one plain entry of the
// folder is refused like a missing record, with the caption already taken.
TEST(AnchorNamesTest, UnsafeNamesAreRefused) {
    struct NameCase {
        std::string folder, installer, package;
    };
    const std::string ok = "ok";
    const NameCase cases[] = {
        {"..", ok, ok},       {".", ok, ok},  {"a/b", ok, ok},         {"/tmp", ok, ok},
        {ok, "../setup", ok}, {ok, "..", ok}, {ok, ok, "/etc/passwd"}, {ok, ok, "sub/"},
        {"", ok, ok},         {ok, ok, ""},
    };
    for (const NameCase& c : cases) {
        const QByteArray record = Encoded(Record(c.folder, c.installer, c.package, "Caption"));
        const AnchorSearchResult result = SearchFile(LayOut(1024, {{256, record}}));
        EXPECT_FALSE(result.accepted) << c.folder << " " << c.installer << " " << c.package;
        EXPECT_EQ(result.caption, "Caption");
    }
    // Dots inside a name and non-ASCII names are fine.
    const AnchorSearchResult fine =
        SearchFile(LayOut(1024, {{256, Encoded(Record("..hidden", "セットアップ", "a..b.deb"))}}));
    EXPECT_TRUE(fine.accepted);
    EXPECT_EQ(fine.anchor.installerName, "セットアップ");

    // An empty product name leaves no caption and no anchor.
    const AnchorSearchResult result =
        SearchFile(LayOut(1024, {{256, Encoded(Record(ok, ok, ok, ""))}}));
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.caption.empty());
}

TEST(AnchorWindowTest, StartsAtMultipleOf128WithinLast128KiB) {
    const std::pair<qint64, qint64> cases[] = {
        {0, 0},
        {44, 0},
        {131072, 0},
        {131073, 128},
        {131072 + 128, 128},
        {131072 + 129, 256},
        {kLargeFile, kLargeWindow},
        // Sizes beyond 32 bits are taken whole.
        {0x1'0000'0080ll, 0x1'0000'0080ll - 131072},
    };
    for (const auto& [size, start] : cases) EXPECT_EQ(AnchorWindowStart(size), start) << size;
}

// The record's UTF-16 strings reach the file system as UTF-8, characters
// outside the basic plane included; what encodes no character turns into
// U+FFFD instead of vanishing.
TEST(RecordTextTest, Utf16AndUtf8Agree) {
    struct TextCase {
        const char* name;
        std::u16string units;
        std::string utf8;
    };
    const TextCase cases[] = {
        {"ASCII", u"setup.exe", "setup.exe"},
        {"Japanese", u"画像の傾き補正", "画像の傾き補正"},
        {"outside the basic plane", u"\U0001F5BC.deb", "\U0001F5BC.deb"},
        {"lone high surrogate", std::u16string(u"a") + char16_t(0xD800) + u"b", "a\uFFFDb"},
        {"lone low surrogate at the end", std::u16string(u"a") + char16_t(0xDC00), "a\uFFFD"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes;
        for (const char16_t unit : c.units) {
            bytes += char(unit & 0xFF);
            bytes += char(unit >> 8);
        }
        EXPECT_EQ(Utf16LeToUtf8(bytes.data(), c.units.size()), c.utf8);
        const bool wellFormed = c.utf8.find("\uFFFD") == std::string::npos;
        if (wellFormed) {
            EXPECT_EQ(Utf8ToUtf16Le(c.utf8), bytes);
        }
    }
    // Broken UTF-8 (a cut sequence, an overlong slash) gives U+FFFD units.
    EXPECT_EQ(Utf8ToUtf16Le("a\xE3\x81"), std::string("a\0\xFD\xFF", 4));
    EXPECT_EQ(Utf8ToUtf16Le("\xC0\xAF"), std::string("\xFD\xFF", 2));
}

TEST(FileTimeTest, ConvertsTicksSince1601) {
    struct TimeCase {
        std::uint64_t fileTime;
        time_t seconds;
        long nanoseconds;
    };
    const TimeCase cases[] = {
        {kFileTimeUnixEpoch, 0, 0},
        {kFileTimeUnixEpoch + 1, 0, 100},
        {kFileTimeUnixEpoch + 10'000'005, 1, 500},
        {kFileTimeUnixEpoch - 1, -1, 999'999'900},
        {0, -11'644'473'600, 0},
        // 2021-03-04 05:06:07.1234567 UTC
        {kFileTimeUnixEpoch + 16'148'343'671'234'567ull, 1'614'834'367, 123'456'700},
    };
    for (const TimeCase& c : cases) {
        const timespec time = FileTimeToTimespec(c.fileTime);
        EXPECT_EQ(time.tv_sec, c.seconds) << c.fileTime;
        EXPECT_EQ(time.tv_nsec, c.nanoseconds) << c.fileTime;
        EXPECT_EQ(TimespecToFileTime(time), c.fileTime);
    }
    // Nanoseconds below one tick are dropped; times before 1601 clamp to 0.
    EXPECT_EQ(TimespecToFileTime({1, 199}), kFileTimeUnixEpoch + 10'000'001);
    EXPECT_EQ(TimespecToFileTime({-11'644'473'601, 0}), 0u);
}

}  // namespace
