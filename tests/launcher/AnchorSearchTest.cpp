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

namespace {

PayloadAnchor Record(
    const QString& folder = QStringLiteral("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"),
    const QString& installer = QStringLiteral("setup"),
    const QString& package = QStringLiteral("oblimo.deb"),
    const QString& product = QStringLiteral("Oblimo")) {
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

const QByteArray kRecord = EncodePayloadAnchor(Record());
// The record without its extra zero: the last string's zero ends the file.
const QByteArray kBareRecord = kRecord.chopped(2);

struct SearchCase {
    const char* name;
    qint64 fileSize;
    std::vector<Placed> records;
    bool accepted;
    qint64 anchorOffset;  // -1: no candidate
    QString caption;
    QString folderName;  // checked when accepted
};

const qint64 kLargeFile = 300000;
// 300000 - 131072 = 168928, rounded up to a multiple of 128.
const qint64 kLargeWindow = 168960;

std::vector<SearchCase> SearchCases() {
    const QString oblimo = QStringLiteral("Oblimo");
    const QString guid = Record().folderName;
    return {
        {"AcceptedInSmallFile", 1000, {{512, kRecord}}, true, 512, oblimo, guid},
        {"OffsetNotMultipleOf128", 1000, {{520, kRecord}}, false, -1, QString(), QString()},
        {"FileOfExactly128KiBScannedFromStart", 131072, {{128, kRecord}}, true, 128, oblimo, guid},
        {"RecordAtOffsetZeroRefused", 1000, {{0, kRecord}}, false, 0, oblimo, QString()},
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
         QString(),
         QString()},
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
         QString()},
        {"PackageNameZeroCutInHalf",
         768 + kBareRecord.size() - 1,
         {{768, kBareRecord}},
         false,
         768,
         oblimo,
         QString()},
        {"FixedPartEndsAtFileEnd", 896 + 44, {{896, kRecord}}, false, 896, QString(), QString()},
        {"LowerOfTwoRecordsCounts",
         2000,
         {{256, EncodePayloadAnchor(Record(QStringLiteral("lower")))},
          {1024, EncodePayloadAnchor(Record(QStringLiteral("upper")))}},
         true,
         256,
         oblimo,
         QStringLiteral("lower")},
        {"UnusableLowerRecordHidesUpper",
         2000,
         {{256, EncodePayloadAnchor(Record(QStringLiteral("lower"), QString(), QStringLiteral("p"),
                                           QStringLiteral("First")))},
          {1024, kRecord}},
         false,
         256,
         QStringLiteral("First"),
         QString()},
        {"HeadMagicAloneIsNoCandidate",
         1000,
         {{384, kRecord.left(40)}},
         false,
         -1,
         QString(),
         QString()},
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
        QString folder, installer, package;
    };
    const QString ok = QStringLiteral("ok");
    const NameCase cases[] = {
        {QStringLiteral(".."), ok, ok},
        {QStringLiteral("."), ok, ok},
        {QStringLiteral("a/b"), ok, ok},
        {QStringLiteral("/tmp"), ok, ok},
        {ok, QStringLiteral("../setup"), ok},
        {ok, QStringLiteral(".."), ok},
        {ok, ok, QStringLiteral("/etc/passwd")},
        {ok, ok, QStringLiteral("sub/")},
        {QString(), ok, ok},
        {ok, ok, QString()},
    };
    for (const NameCase& c : cases) {
        const QByteArray record = EncodePayloadAnchor(
            Record(c.folder, c.installer, c.package, QStringLiteral("Caption")));
        const AnchorSearchResult result = SearchFile(LayOut(1024, {{256, record}}));
        EXPECT_FALSE(result.accepted) << c.folder.toStdString() << " " << c.installer.toStdString()
                                      << " " << c.package.toStdString();
        EXPECT_EQ(result.caption, QStringLiteral("Caption"));
    }
    // Dots inside a name and non-ASCII names are fine.
    const QByteArray fine = EncodePayloadAnchor(Record(
        QStringLiteral("..hidden"), QStringLiteral("セットアップ"), QStringLiteral("a..b.deb")));
    EXPECT_TRUE(SearchFile(LayOut(1024, {{256, fine}})).accepted);

    // An empty product name leaves no caption and no anchor.
    const QByteArray noProduct = EncodePayloadAnchor(Record(ok, ok, ok, QString()));
    const AnchorSearchResult result = SearchFile(LayOut(1024, {{256, noProduct}}));
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.caption.isEmpty());
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
