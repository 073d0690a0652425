// Automatic output names: the pieces of the rule as tables, then whole names
// in real folders, the three folder modes, and that nothing is ever replaced.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/AppSettings.h"
#include "output/AutoName.h"
#include "output/BitmapFileWriter.h"
#include "platform/imaging/CodecFactory.h"
#include "support/ImageFixtures.h"
#include "support/QtPrinters.h"
#include "support/SharedCodecs.h"

namespace {

TEST(AutoNameTest, SplitPathAtTheLastSlashAndTheLastDotAfterIt) {
    struct {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
    } const cases[] = {
        {"/pics/photo.JPG", "/pics/", "photo", ".JPG"},
        {"photo.jpg", "", "photo", ".jpg"},
        {"photo", "", "photo", ""},
        {"/a.b/c", "/a.b/", "c", ""},
        {"/pics/archive.tar.gz", "/pics/", "archive.tar", ".gz"},
        {"/pics/.hidden", "/pics/", "", ".hidden"},
        {"/pics/photo.", "/pics/", "photo", "."},
        {"/pics/", "/pics/", "", ""},
        {"/photo.png", "/", "photo", ".png"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        QString folder = "x", name = "x", extension = "x";
        SplitPath(QString::fromUtf8(c.path), &folder, &name, &extension);
        EXPECT_EQ(folder, QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(extension, QString::fromUtf8(c.extension)) << c.path;
    }
}

TEST(AutoNameTest, EarlierSuffixIsRemovedOnlyWithNothingButDigitsAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"photo", "photo"},
        {"photo-Oblimo", "photo"},
        {"photo-Oblimo2", "photo"},
        {"photo-Oblimo17", "photo"},
        {"photo-Oblimo2b", "photo-Oblimo2b"},
        {"photo-Oblimo-x", "photo-Oblimo-x"},
        {"photo-oblimo2", "photo-oblimo2"},  // compared with case
        {"photo-Oblimo-Oblimo3", "photo-Oblimo"},
        {"a-Oblimo1-Oblimo", "a-Oblimo1"},
        {"-Oblimo", ""},
        {"-Obli", "-Obli"},
        {"photo-Oblimo２", "photo-Oblimo２"},  // only 0-9 are digits
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(RemoveAutoNameSuffix(QString::fromUtf8(name)), QString::fromUtf8(expected))
            << name;
}

TEST(AutoNameTest, NumbersAreReadAsStrtoulReadsThem) {
    const std::pair<const char*, quint32> cases[] = {
        {"2.jpg", 2},
        {".jpg", 0},
        {"", 0},
        {"0.jpg", 0},
        {"007.jpg", 7},
        {"-3.jpg", 4294967293u},
        {"-0.jpg", 0},
        {"-4294967295.jpg", 1},
        {"4294967295.jpg", 4294967295u},
        {"4294967296.jpg", 4294967295u},
        {"-4294967296.jpg", 4294967295u},
        {"99999999999999999999999.jpg", 4294967295u},
        {"  +7x", 7},
        {"\t\n\v\f\r12.jpg", 12},
        {"+-3.jpg", 0},
        {"- 3.jpg", 0},
        {"0x1F.jpg", 0},
        {"12 34.jpg", 12},
        {"１２.jpg", 0},  // full-width digits are not digits here
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadUnsigned32(QString::fromUtf8(text)), expected) << text;
}

TEST(AutoNameTest, ExtensionIsKeptOnlyWhenItCanBeWritten) {
    struct {
        const char* input;
        bool transparent, heif;
        const char* expected;
    } const cases[] = {
        {".jpg", false, false, ".jpg"},   {".JPG", false, false, ".JPG"},
        {".Jpeg", false, false, ".Jpeg"}, {".png", false, false, ".png"},
        {".BMP", false, false, ".BMP"},   {".jpg", true, false, ".png"},
        {".BMP", true, true, ".png"},     {".heic", false, false, ".png"},
        {".heic", false, true, ".heic"},  {".HEIF", false, true, ".HEIF"},
        {".heic", true, true, ".png"},    {".gif", false, true, ".png"},
        {".tif", false, false, ".png"},   {".tiff", false, false, ".png"},
        {"", false, false, ".png"},       {".", false, false, ".png"},
        {".jpgx", false, false, ".png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AutoNameExtension(c.input, c.transparent, c.heif), QString(c.expected))
            << c.input << " transparent " << c.transparent << " heif " << c.heif;
}

// ---- Whole names in a real folder ----

class AutoNameFolderTest : public ::testing::Test {
protected:
    QString Root() const { return m_root.path(); }
    // Creates files, or folders for names ending in "/", below the root.
    void Create(const QStringList& entries) {
        for (const QString& entry : entries) {
            if (entry.endsWith('/'))
                ASSERT_TRUE(QDir(Root()).mkpath(entry));
            else
                ASSERT_FALSE(Fixtures::WriteFile(Root(), entry, "existing").isEmpty());
        }
    }
    QStringList Entries(const QString& folder) const {
        return QDir(Root() + "/" + folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    // Writes a small image the way the program does: never replacing.
    static bool RealWriter(const QString& path, bool heif) {
        QImage pixels = Fixtures::Quadrants(8, 6).convertToFormat(QImage::Format_BGR888);
        return WriteBitmapFile(Bitmap{pixels, 300, 300}, OutputFormatForPath(path, heif),
                               ImagingServices{1, SharedCodecs(), heif}, path, FilePublish::NoReplace);
    }

    QTemporaryDir m_root;
    AppSettings m_settings;
};

struct NamingCase {
    const char* label;
    QStringList existing;  // in the folder "pics"; a trailing "/" makes a folder
    const char* input;     // file name in "pics"
    bool transparent;
    bool heif;
    const char* expected;  // file name in "pics"
};

class NamingTest : public AutoNameFolderTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, GivesTheExpectedName) {
    const NamingCase& c = GetParam();
    QStringList entries{"pics/"};
    for (const QString& name : c.existing) entries << "pics/" + name;
    Create(entries);
    const QString folder = Root() + "/pics/";
    EXPECT_EQ(AutoOutputPath(folder + c.input, c.transparent, m_settings, c.heif),
              folder + QString::fromUtf8(c.expected));
}

const NamingCase kNamingCases[] = {
    {"FirstOutputKeepsExtensionCase", {}, "photo.JPG", false, false, "photo-Oblimo.JPG"},
    {"SecondOutputIsNumbered2",
     {"photo-Oblimo.JPG"},
     "photo.JPG",
     false,
     false,
     "photo-Oblimo2.JPG"},
    {"EarlierSuffixRemoved",
     {"photo-Oblimo.jpg", "photo-Oblimo2.jpg", "photo-Oblimo3.jpg"},
     "photo-Oblimo3.jpg",
     false,
     false,
     "photo-Oblimo4.jpg"},
    {"OnlyTheHighestNumberCounts",
     {"photo-Oblimo7.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo8.jpg"},
    {"NumberZeroCountsAsOne",
     {"photo-Oblimo0.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo2.jpg"},
    {"SignedNumberWrapsAround",
     {"photo-Oblimo-3.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo4294967294.jpg"},
    {"NumberBeyond32BitsGivesNoNumber",
     {"photo-Oblimo99999999999.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo.jpg"},
    {"LargestNumberGivesNoNumber",
     {"photo-Oblimo4294967295.jpg", "photo-Oblimo5.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo.jpg"},
    {"OtherExtensionsDoNotCount",
     {"photo-Oblimo.png", "photo-Oblimo2.jpg.bak"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo.jpg"},
    {"OtherNamesDoNotCount",
     {"photos-Oblimo5.jpg", "xphoto-Oblimo5.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo.jpg"},
    {"WordsAfterTheBaseCountAsOne",
     {"photo-Oblimo copy.jpg"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo2.jpg"},
    {"CaseIsIgnoredWhenNumbering",
     {"PHOTO-OBLIMO3.jpg", "photo-Oblimo.JPG"},
     "photo.jpg",
     false,
     false,
     "photo-Oblimo4.jpg"},
    {"FoldersCount", {"photo-Oblimo5.jpg/"}, "photo.jpg", false, false, "photo-Oblimo6.jpg"},
    {"WildcardCharactersAreLiteral",
     {"abc-Oblimo.jpg", "a[b]c-Oblimo.jpg"},
     "a*.jpg",
     false,
     false,
     "a*-Oblimo.jpg"},
    {"TiffBecomesPng", {}, "scan.tif", false, false, "scan-Oblimo.png"},
    {"GifBecomesPng", {}, "anim.gif", false, false, "anim-Oblimo.png"},
    {"NoExtensionGetsPng", {}, "scan", false, false, "scan-Oblimo.png"},
    {"TransparentBecomesPng", {"photo-Oblimo.jpg"}, "photo.jpg", true, false, "photo-Oblimo.png"},
    {"HeicWithoutEncoderBecomesPng", {}, "phone.heic", false, false, "phone-Oblimo.png"},
    {"HeicWithEncoderStays", {}, "phone.heic", false, true, "phone-Oblimo.heic"},
    {"DotsInTheName", {"v1.2-Oblimo.jpg"}, "v1.2.jpg", false, false, "v1.2-Oblimo2.jpg"},
};

INSTANTIATE_TEST_SUITE_P(Names, NamingTest, ::testing::ValuesIn(kNamingCases),
                         [](const auto& info) { return std::string(info.param.label); });

struct FolderCase {
    const char* label;
    int mode;
    const char* sub;
    const char* specified;  // "@" stands for the test's root folder
    QStringList existing;
    const char* expected;  // below the root
    bool written;
};

class FolderModeTest : public AutoNameFolderTest,
                       public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderModeTest, WritesIntoTheChosenFolder) {
    const FolderCase& c = GetParam();
    Create(QStringList{"pics/", "pics/a.png"} << c.existing);
    m_settings.SaveFolder = c.mode;
    m_settings.SaveFolderSub = QString::fromUtf8(c.sub);
    m_settings.SaveFolderSpecified = QString::fromUtf8(c.specified).replace("@", Root());
    const QStringList before = Entries("");

    QString output;
    const bool written = SaveWithAutoName(
        Root() + "/pics/a.png", false, m_settings, false,
        [](const QString& path) { return RealWriter(path, false); }, &output);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(output, Root() + "/" + c.expected);
    EXPECT_EQ(QFileInfo(output).isFile(), c.written);
    if (!c.written) {
        EXPECT_EQ(Entries(""), before);
    }
}

const FolderCase kFolderCases[] = {
    {"SameFolder", 0, "out", "@/done", {}, "pics/a-Oblimo.png", true},
    {"UnknownModeIsSameFolder", 7, "out", "@/done", {}, "pics/a-Oblimo.png", true},
    {"SubfolderIsCreated", 1, "out", "", {}, "pics/out/a-Oblimo.png", true},
    {"SubfolderIsNumberedInside",
     1,
     "out",
     "",
     {"pics/a-Oblimo.png", "pics/out/", "pics/out/a-Oblimo.png"},
     "pics/out/a-Oblimo2.png",
     true},
    {"SubfolderOfOneLevelOnly", 1, "deep/er", "", {}, "pics/deep/er/a-Oblimo.png", false},
    {"SpecifiedFolder", 2, "", "@/done", {"done/"}, "done/a-Oblimo.png", true},
    {"SpecifiedFolderWithSlash", 2, "", "@/done/", {"done/"}, "done/a-Oblimo.png", true},
    {"SpecifiedFolderIsNotCreated", 2, "", "@/gone", {}, "gone/a-Oblimo.png", false},
};

INSTANTIATE_TEST_SUITE_P(Modes, FolderModeTest, ::testing::ValuesIn(kFolderCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(AutoNameFolderTest, BareInputNameWritesIntoTheCurrentFolder) {
    Create({"a.png"});
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Root()));
    QString output;
    const bool written = SaveWithAutoName(
        "a.png", false, m_settings, false,
        [](const QString& path) { return RealWriter(path, false); }, &output);
    QDir::setCurrent(previous);
    EXPECT_TRUE(written);
    EXPECT_EQ(output, "a-Oblimo.png");
    EXPECT_TRUE(QFileInfo(Root() + "/a-Oblimo.png").isFile());
}

TEST_F(AutoNameFolderTest, TakenNameWithoutNumberFailsWithoutWriting) {
    Create({"photo-Oblimo4294967295.jpg", "photo-Oblimo.jpg"});
    bool called = false;
    QString output;
    EXPECT_FALSE(SaveWithAutoName(
        Root() + "/photo.jpg", false, m_settings, false,
        [&](const QString&) { return called = true; }, &output));
    EXPECT_FALSE(called);
    EXPECT_EQ(output, Root() + "/photo-Oblimo.jpg");
    EXPECT_EQ(Fixtures::ReadFile(output), "existing");
}

TEST_F(AutoNameFolderTest, NameTakenWhileWritingIsNotReplaced) {
    Create({"photo.jpg"});
    QString output;
    // Another program creates the very name after it was chosen and checked.
    const auto writer = [](const QString& path) {
        Fixtures::WriteFile(QFileInfo(path).path(), QFileInfo(path).fileName(), "theirs");
        return RealWriter(path, false);
    };
    EXPECT_FALSE(
        SaveWithAutoName(Root() + "/photo.jpg", false, m_settings, false, writer, &output));
    EXPECT_EQ(output, Root() + "/photo-Oblimo.jpg");
    EXPECT_EQ(Fixtures::ReadFile(output), "theirs");
    EXPECT_EQ(Entries(""), (QStringList{"photo-Oblimo.jpg", "photo.jpg"}));
}

TEST_F(AutoNameFolderTest, RepeatedSavesCountUp) {
    Create({"pics/", "pics/photo.JPG"});
    QStringList outputs;
    for (int i = 0; i < 3; ++i) {
        QString output;
        ASSERT_TRUE(SaveWithAutoName(
            Root() + "/pics/photo.JPG", false, m_settings, false,
            [](const QString& path) { return RealWriter(path, false); }, &output));
        outputs << QFileInfo(output).fileName();
    }
    EXPECT_EQ(outputs, (QStringList{"photo-Oblimo.JPG", "photo-Oblimo2.JPG", "photo-Oblimo3.JPG"}));
    // Saving from an output strips its suffix and counts on.
    QString output;
    ASSERT_TRUE(SaveWithAutoName(
        Root() + "/pics/photo-Oblimo2.JPG", false, m_settings, false,
        [](const QString& path) { return RealWriter(path, false); }, &output));
    EXPECT_EQ(QFileInfo(output).fileName(), "photo-Oblimo4.JPG");
}

}  // namespace
