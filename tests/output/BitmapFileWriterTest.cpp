// Writing finished bitmaps to files: the format from the extension, the
// component from UseWIC, the resolution stamp, and that a failed write leaves
// no partial file and keeps an existing one intact.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>

#include "output/BitmapFileWriter.h"
#include "output/OutputFormat.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ImageFormatSniffer.h"
#include "platform/imaging/QtImageComponent.h"
#include "support/FileFixtures.h"
#include "support/EncodedFiles.h"
#include "support/ImageFixtures.h"
#include "support/QtPrinters.h"
#include "support/SharedCodecs.h"

using namespace EncodedFiles;

namespace {

TEST(OutputFormatTest, ExtensionDecidesIgnoringCase) {
    struct {
        const char* path;
        bool heif;
        OutputFormat expected;
    } const cases[] = {
        {"/o/a.jpg", false, OutputFormat::Jpeg},     {"/o/a.JPEG", false, OutputFormat::Jpeg},
        {"/o/a.Jpg", true, OutputFormat::Jpeg},      {"/o/a.bmp", false, OutputFormat::Bmp},
        {"/o/a.BMP", false, OutputFormat::Bmp},      {"/o/a.png", false, OutputFormat::Png},
        {"/o/a.gif", false, OutputFormat::Png},      {"/o/a.tif", false, OutputFormat::Png},
        {"/o/a", false, OutputFormat::Png},          {"/o/a.heic", false, OutputFormat::Png},
        {"/o/a.heic", true, OutputFormat::Heic},     {"/o/a.HEIF", true, OutputFormat::Heic},
        {"/o/a.heif", false, OutputFormat::Png},     {"/o/a.jpeg.png", false, OutputFormat::Png},
        {"/o/a.png.jpg", false, OutputFormat::Jpeg}, {"/o/ajpg", false, OutputFormat::Png},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OutputFormatForPath(c.path, c.heif), c.expected) << c.path << " heif " << c.heif;
    EXPECT_EQ(FormatName(OutputFormat::Png), "png");
    EXPECT_EQ(FormatName(OutputFormat::Jpeg), "jpeg");
    EXPECT_EQ(FormatName(OutputFormat::Bmp), "bmp");
    EXPECT_EQ(FormatName(OutputFormat::Heic), "heic");
}

class BitmapFileWriterTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_folder.filePath(name); }
    QStringList Entries() const { return FileFixtures::FolderEntries(m_folder.path()); }
    static ImagingServices Services(int useWic, bool heif) { return {useWic, SharedCodecs(), heif}; }

    QTemporaryDir m_folder;
};

struct WrittenCase {
    const char* name;
    int useWic;
    bool heif;
    bool transparent;  // Format_ARGB32 with alpha, else Format_BGR888
    ContainerFormat container;
    bool resolutionStored;
};

class WrittenFileTest : public BitmapFileWriterTest,
                        public ::testing::WithParamInterface<WrittenCase> {};

TEST_P(WrittenFileTest, HasTheFormatAndStampOfItsPathAndComponent) {
    const WrittenCase& c = GetParam();
    if (c.container == ContainerFormat::Heif && !SharedCodecs()->HasHeifEncoder())
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    const QImage original = Pattern(29, 17, c.transparent);
    const QImage pixels =
        c.transparent ? original : original.convertToFormat(QImage::Format_BGR888);
    const QString path = Path(c.name);
    ASSERT_TRUE(WriteBitmapFile(Bitmap{pixels, 300, 200}, OutputFormatForPath(path, c.heif),
                                Services(c.useWic, c.heif), path, FilePublish::Replace));
    EXPECT_EQ(Entries(), QStringList{c.name});

    const QByteArray file = Fixtures::ReadFile(path);
    EXPECT_EQ(SniffContainerFormat(file), c.container);
    const auto stored = StoredResolution(file);
    EXPECT_EQ(stored.has_value(), c.resolutionStored);
    if (stored && c.resolutionStored) {
        EXPECT_NEAR(stored->x, 300, 0.05);
        EXPECT_NEAR(stored->y, 200, 0.05);
    }
    if (c.container == ContainerFormat::Png) {
        EXPECT_EQ(PngColorType(file), c.transparent ? 6 : 2);
    }
    if (c.container == ContainerFormat::Bmp) {
        EXPECT_EQ(file[28], 24);
    }

    const auto decoded =
        c.container == ContainerFormat::Heif ? SharedCodecs()->Decode(file) : DecodeWithQt(file);
    ASSERT_TRUE(decoded);
    const QImage expected = c.transparent ? original : Opaque(original);
    if (c.container == ContainerFormat::Png || c.container == ContainerFormat::Bmp) {
        EXPECT_EQ(MaxDifference(decoded->bitmap.image, expected), 0);
    } else {
        EXPECT_LE(MeanDifference(decoded->bitmap.image, expected), 6.0);
    }
}

constexpr auto Png = ContainerFormat::Png;
constexpr auto Jpeg = ContainerFormat::Jpeg;
constexpr auto Bmp = ContainerFormat::Bmp;
constexpr auto Heif = ContainerFormat::Heif;

const WrittenCase kWrittenCases[] = {
    {"transparent.png", 1, false, true, Png, true},
    {"opaque.png", 1, false, false, Png, true},
    {"capitals.JPEG", 1, false, false, Jpeg, true},
    {"mixed.Jpg", 0, false, false, Jpeg, true},
    {"plain.bmp", 1, false, false, Bmp, true},
    {"named.gif", 1, false, false, Png, true},
    {"noextension", 1, false, false, Png, true},
    {"noencoder.heic", 1, false, false, Png, true},
    {"phone.heic", 1, true, false, Heif, false},
    {"phone.HEIF", 0, true, false, Heif, false},
    // UseWIC 2: the second component for everything, without a stamp.
    {"second.png", 2, false, false, Png, false},
    {"second-transparent.png", 2, false, true, Png, false},
    {"second.JPEG", 2, false, false, Jpeg, false},
    {"second.BMP", 2, false, false, Bmp, false},
    {"second.gif", 2, false, false, Png, false},
};

INSTANTIATE_TEST_SUITE_P(Paths, WrittenFileTest, ::testing::ValuesIn(kWrittenCases),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param.name);
                             name.replace('.', '_').replace('-', '_');
                             return name.toStdString() + "_UseWIC" +
                                    std::to_string(info.param.useWic);
                         });

TEST_F(BitmapFileWriterTest, ReplaceSwapsInACompleteFile) {
    const QString path = Fixtures::WriteFile(m_folder.path(), "out.png", "old");
    const QImage image = Pattern(10, 10, false).convertToFormat(QImage::Format_BGR888);
    ASSERT_TRUE(WriteBitmapFile(Bitmap{image, 0, 0}, OutputFormat::Png, Services(1, false), path,
                                FilePublish::Replace));
    const auto decoded = DecodeWithQt(Fixtures::ReadFile(path));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(MaxDifference(decoded->bitmap.image, Opaque(image)), 0);
    EXPECT_EQ(Entries(), QStringList{"out.png"});
}

// Every way a write can fail leaves the folder exactly as it was: an existing
// target keeps its contents and no temporary file is left behind.
struct FailureCase {
    const char* label;
    const char* name;
    int useWic;
    QSize size;
    bool noCodecs;   // the second component does not exist
    long diskBytes;  // > 0: the file system takes no more than this
    FilePublish publish;
};

class WriteFailureTest : public BitmapFileWriterTest,
                         public ::testing::WithParamInterface<FailureCase> {};

QImage Noise(QSize size) {
    QImage image(size, QImage::Format_BGR888);
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y)
        random.fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), image.width() * 3 / 4);
    return image;
}

// A file-size limit stands in for a full disk: writes beyond it fail with
// EFBIG instead of raising SIGXFSZ while the signal is ignored.
class DiskLimit {
public:
    explicit DiskLimit(long bytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
};

TEST_P(WriteFailureTest, LeavesTheFolderAsItWas) {
    const FailureCase& c = GetParam();
    // The existing target, or (for a folder target) something beside it.
    const QString existing = QString(c.name).endsWith(".dir") ? "other.png" : c.name;
    if (QString(c.name).endsWith(".dir")) {
        ASSERT_TRUE(QDir(m_folder.path()).mkdir(c.name));
    }
    const QByteArray oldBytes(10000, 'o');
    Fixtures::WriteFile(m_folder.path(), existing, oldBytes);
    const QStringList before = Entries();

    const ImagingServices services{c.useWic, c.noCodecs ? nullptr : SharedCodecs(), false};
    const QString path = Path(c.name);
    bool written;
    {
        std::optional<DiskLimit> limit;
        if (c.diskBytes > 0) limit.emplace(c.diskBytes);
        written = WriteBitmapFile(Bitmap{Noise(c.size), 0, 0}, OutputFormatForPath(path, false),
                                  services, path, c.publish);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(Fixtures::ReadFile(Path(existing)), oldBytes);
}

constexpr auto Replace = FilePublish::Replace;
constexpr auto NoReplace = FilePublish::NoReplace;

const FailureCase kFailureCases[] = {
    {"DiskFullFirstPng", "out.png", 1, {200, 200}, false, 4096, Replace},
    {"DiskFullFirstJpeg", "out.jpg", 1, {200, 200}, false, 4096, Replace},
    {"DiskFullFirstBmp", "out.bmp", 1, {200, 200}, false, 4096, Replace},
    {"DiskFullSecondPng", "out.png", 2, {200, 200}, false, 4096, Replace},
    {"DiskFullSecondJpeg", "out.jpg", 2, {200, 200}, false, 4096, Replace},
    {"DiskFullSecondBmp", "out.bmp", 2, {200, 200}, false, 4096, Replace},
    {"EncoderFailsFirst", "out.jpg", 1, {70000, 1}, false, 0, Replace},
    {"EncoderFailsSecond", "out.jpg", 2, {70000, 1}, false, 0, Replace},
    {"EmptyBitmap", "out.png", 1, {0, 0}, false, 0, Replace},
    {"NoSecondComponent", "out.png", 2, {10, 10}, true, 0, Replace},
    {"TargetIsAFolder", "taken.dir", 1, {10, 10}, false, 0, Replace},
    {"NameIsTaken", "out.png", 1, {10, 10}, false, 0, NoReplace},
};

INSTANTIATE_TEST_SUITE_P(Causes, WriteFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(BitmapFileWriterTest, MissingFolderCreatesNothing) {
    const QImage image = Pattern(4, 4, false);
    EXPECT_FALSE(WriteBitmapFile(Bitmap{image, 0, 0}, OutputFormat::Png, Services(1, false),
                                 Path("missing/out.png"), FilePublish::Replace));
    EXPECT_TRUE(Entries().isEmpty());
}

}  // namespace
