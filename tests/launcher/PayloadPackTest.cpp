// The packaging step: its output read back by the launcher's own search, and
// the inputs it must refuse.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "launcher/AnchorSearch.h"
#include "launcher/FileIo.h"
#include "launcher/FileTime.h"
#include "launcher/PayloadPacker.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"

using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {
using FileFixtures::Noise;
using FileFixtures::SetModificationTime;

AnchorSearchResult SearchFile(const QString& path) {
    const UniqueFd fd(open(QFile::encodeName(path).constData(), O_RDONLY));
    return FindPayloadAnchor(fd.Get());
}

class PayloadPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Odd sizes, so both alignments have to pad.
        m_launcher = Noise(1001, 1);
        m_installer = Noise(13, 2);
        m_package = Noise(3 * 1024 * 1024 + 5, 3);
        m_request.launcherPath = WriteFile(m_folder.path(), "launcher", m_launcher);
        m_request.installerPath = WriteFile(m_folder.path(), "oblimo-installer", m_installer);
        m_request.packagePath = WriteFile(m_folder.path(), "oblimo_1.3.0.1_amd64.deb", m_package);
        m_request.outputPath = m_folder.filePath("Oblimo-setup");
        SetModificationTime(m_request.installerPath, {1'614'834'367, 123'456'789});
        SetModificationTime(m_request.packagePath, {-86'400, 500});
    }

    QTemporaryDir m_folder;
    QByteArray m_launcher, m_installer, m_package;
    PackRequest m_request;
};

TEST_F(PayloadPackTest, OutputIsFoundAndCarriesBothFiles) {
    const PackResult packed = PackPayload(m_request);
    ASSERT_EQ(packed.status, PackStatus::Packed) << packed.message.toStdString();

    const AnchorSearchResult found = SearchFile(m_request.outputPath);
    ASSERT_TRUE(found.accepted);
    EXPECT_EQ(found.anchor, packed.anchor);
    const PayloadAnchor& anchor = found.anchor;
    EXPECT_EQ(anchor.productName, "Oblimo");
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"))
            .match(QString::fromStdString(anchor.folderName))
            .hasMatch())
        << anchor.folderName;
    EXPECT_EQ(anchor.installerName, "oblimo-installer");
    EXPECT_EQ(anchor.packageName, "oblimo_1.3.0.1_amd64.deb");

    EXPECT_EQ(anchor.fixed.payloadStart, 1001u);
    EXPECT_EQ(anchor.fixed.installerOffset, 1001u);
    EXPECT_EQ(anchor.fixed.installerSize, 13u);
    EXPECT_EQ(anchor.fixed.packageOffset, 1016u);
    EXPECT_EQ(anchor.fixed.packageSize, quint32(m_package.size()));
    EXPECT_EQ(found.anchorOffset, (1016 + m_package.size() + 127) / 128 * 128);
    // Times keep whole 100-ns ticks of the inputs' modification times.
    EXPECT_EQ(anchor.fixed.installerTime, TimespecToFileTime({1'614'834'367, 123'456'700}));
    EXPECT_EQ(anchor.fixed.packageTime, kFileTimeUnixEpoch - 864'000'000'000ull + 5);

    const QByteArray output = ReadFile(m_request.outputPath);
    EXPECT_EQ(output.left(1001), m_launcher);
    EXPECT_EQ(output.mid(1001, 13), m_installer);
    EXPECT_EQ(output.mid(1014, 2), QByteArray(2, '\0'));
    EXPECT_EQ(output.mid(1016, m_package.size()), m_package);
    EXPECT_EQ(output.mid(found.anchorOffset),
              QByteArray::fromStdString(EncodePayloadAnchor(anchor)));
    // The last name's final unit, its zero and one more zero unit.
    EXPECT_EQ(output.right(6), QByteArray("b\0\0\0\0\0", 6));
    EXPECT_TRUE(QFileInfo(m_request.outputPath).isExecutable());
}

TEST_F(PayloadPackTest, NamesGivenReplaceDefaultsAndFoldersAreFresh) {
    const std::string first = PackPayload(m_request).anchor.folderName;
    const std::string second = PackPayload(m_request).anchor.folderName;
    EXPECT_NE(first, second);

    m_request.productName = QStringLiteral("Tavlo 体験版");
    m_request.folderName = QStringLiteral("oblimo-setup");
    m_request.installerName = QStringLiteral("setup");
    m_request.packageName = QStringLiteral("oblimo.deb");
    ASSERT_EQ(PackPayload(m_request).status, PackStatus::Packed);
    const AnchorSearchResult found = SearchFile(m_request.outputPath);
    ASSERT_TRUE(found.accepted);
    EXPECT_EQ(found.anchor.productName, m_request.productName.toStdString());
    EXPECT_EQ(found.anchor.folderName, "oblimo-setup");
    EXPECT_EQ(found.anchor.installerName, "setup");
    EXPECT_EQ(found.anchor.packageName, "oblimo.deb");
}

TEST_F(PayloadPackTest, RefusesNamesTheLauncherWouldRefuse) {
    for (const auto& change : std::vector<std::function<void(PackRequest&)>>{
             [](PackRequest& r) { r.folderName = QStringLiteral(".."); },
             [](PackRequest& r) { r.installerName = QStringLiteral("bin/setup"); },
             [](PackRequest& r) { r.packageName = QStringLiteral("."); },
             [](PackRequest& r) { r.productName.clear(); },
             [](PackRequest& r) { r.productName = QString(70000, QLatin1Char('x')); },
         }) {
        PackRequest request = m_request;
        change(request);
        const PackResult result = PackPayload(request);
        EXPECT_EQ(result.status, PackStatus::Refused);
        EXPECT_FALSE(result.message.isEmpty());
        EXPECT_FALSE(QFile::exists(request.outputPath));
    }
    PackRequest missing = m_request;
    missing.packagePath = m_folder.filePath("absent.deb");
    EXPECT_EQ(PackPayload(missing).status, PackStatus::Failed);
    EXPECT_FALSE(QFile::exists(missing.outputPath));
}

// A record the launcher would find before the new one: packed once already,
// or a block inside the payload that looks like a record at a multiple of
// 128. The result would run the old or no payload, so nothing is written.
TEST_F(PayloadPackTest, RefusesWhenAnotherRecordWouldBeFoundFirst) {
    PayloadAnchor fake;
    fake.productName = "Old";
    fake.folderName = fake.installerName = fake.packageName = "old";
    fake.fixed.installerOffset = 1;
    const QByteArray fakeRecord = QByteArray::fromStdString(EncodePayloadAnchor(fake));

    ASSERT_EQ(PackPayload(m_request).status, PackStatus::Packed);
    const QString packedOnce = m_request.outputPath;
    // Where a block in the package lands at a multiple of 128 near the end.
    const qsizetype packageOffset = 1016;
    const qsizetype nearEnd = m_package.size() - 4096;
    const qsizetype aligned = nearEnd - (packageOffset + nearEnd) % 128;

    struct RefusalCase {
        const char* name;
        std::function<void(PackRequest&)> change;
        bool refused;
    };
    const std::vector<RefusalCase> cases = {
        {"launcher packed before", [&](PackRequest& r) { r.launcherPath = packedOnce; }, true},
        {"record-like block early in a large launcher",
         [&](PackRequest& r) {
             QByteArray launcher = Noise(300000, 5);
             launcher.replace(1024, fakeRecord.size(), fakeRecord);
             r.launcherPath = WriteFile(m_folder.path(), "large-launcher", launcher);
         },
         true},
        {"record-like block in the package at a multiple of 128",
         [&](PackRequest& r) {
             QByteArray package = m_package;
             package.replace(aligned, fakeRecord.size(), fakeRecord);
             r.packagePath = WriteFile(m_folder.path(), "tricky.deb", package);
         },
         true},
        {"the same block off the 128 grid",
         [&](PackRequest& r) {
             QByteArray package = m_package;
             package.replace(aligned + 8, fakeRecord.size(), fakeRecord);
             r.packagePath = WriteFile(m_folder.path(), "harmless.deb", package);
         },
         false},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        PackRequest request = m_request;
        request.outputPath = m_folder.filePath("repacked");
        c.change(request);
        const PackResult result = PackPayload(request);
        if (!c.refused) {
            ASSERT_EQ(result.status, PackStatus::Packed) << result.message.toStdString();
            const AnchorSearchResult found = SearchFile(request.outputPath);
            EXPECT_TRUE(found.accepted);
            EXPECT_EQ(found.anchor, result.anchor);
            QFile::remove(request.outputPath);
            continue;
        }
        EXPECT_EQ(result.status, PackStatus::Refused);
        EXPECT_FALSE(result.message.isEmpty());
        EXPECT_FALSE(QFile::exists(request.outputPath));
        // Nothing half-written is left beside the output either.
        EXPECT_EQ(FileFixtures::FolderEntries(m_folder.path()).filter("repacked"), QStringList());
    }
}

TEST(PayloadLayoutTest, RefusesWhatDoesNotFitTheRecord) {
    const quint64 k4G = 0x1'0000'0000ull, k2G = 0x8000'0000ull;
    struct LayoutCase {
        quint64 launcher, installer, package, record;
        bool fits;
    };
    const LayoutCase cases[] = {
        {1001, 13, 5, 172, true},
        {k4G, 0, 0, 172, false},       // installer offset beyond 32 bits
        {1000, k4G, 0, 172, false},    // installer size
        {k4G - 8, 16, 0, 172, false},  // package offset
        {1000, 0, k4G, 172, false},    // package size
        {1000, 0, 0, 131072, true},    // the record just fits the search window
        {1000, 0, 0, 131074, false},
        {k2G - 256, 0, 0, 128, true},   // ends at 2 GiB - 128
        {k2G - 256, 0, 0, 256, false},  // ends at exactly 2 GiB
        {k2G / 2, k2G / 2, 0, 172, false},
    };
    for (const LayoutCase& c : cases) {
        QString why;
        const std::optional<PayloadLayout> layout =
            PlanPayloadLayout(c.launcher, c.installer, c.package, c.record, &why);
        EXPECT_EQ(layout.has_value(), c.fits)
            << c.launcher << " " << c.installer << " " << c.package << " " << c.record;
        EXPECT_EQ(why.isEmpty(), c.fits);
        if (layout) {
            EXPECT_EQ(layout->packageOffset % 8, 0u);
            EXPECT_EQ(layout->anchorOffset % 128, 0u);
            EXPECT_EQ(layout->totalSize, layout->anchorOffset + c.record);
        }
    }
}

}  // namespace
