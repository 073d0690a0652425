// The application object's start-up and shut-down without windows: settings
// with their defaults, the second imaging component and the HEIF probe, the
// import extensions, and deleting the stored settings on exit.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/CTavloApp.h"
#include "app/CustomColors.h"
#include "platform/SettingsStore.h"
#include "support/TestEnvironment.h"

namespace {
class AppStartupTest : public ::testing::Test {
protected:
    void SetUp() override { TestEnvironment::ClearSettings(); }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    static QStringList EightExtensions() {
        return {"png", "jpg", "jpeg", "gif", "bmp", "tif", "tiff", "exif"};
    }
};

TEST_F(AppStartupTest, FirstStartWithEmptyStoreGivesTheDefaults) {
    SettingsStore store;
    CTavloApp app(store);
    ASSERT_TRUE(app.InitInstance());
    const AppSettings& s = app.settings;
    EXPECT_EQ(s.CardBoard_R, 255);
    EXPECT_EQ(s.CardBoard_G, 255);
    EXPECT_EQ(s.CardBoard_B, 255);
    EXPECT_EQ(s.CardBoard_A, 0);  // white, fully transparent margin
    EXPECT_EQ(s.GridOnOnStartrup, 1);
    EXPECT_EQ(s.Background_R, 219);
    EXPECT_EQ(s.Background_G, 215);
    EXPECT_EQ(s.Background_B, 213);
    EXPECT_EQ(s.SaveFolder, 0);
    EXPECT_EQ(s.SaveFolderSub, QString());
    EXPECT_EQ(s.SaveFolderSpecified, QString());
    EXPECT_EQ(s.SettingDialogPage, 0);
    EXPECT_EQ(app.DeleteSettingsOnExit, 0);
    // The codec libraries are here and libheif has an HEVC encoder.
    ASSERT_NE(app.WicFactory, nullptr);
    EXPECT_EQ(app.UseWIC, 1);
    EXPECT_EQ(app.HeifAvailable, 1);
    EXPECT_EQ(app.ImageExtensions, EightExtensions() << "heif" << "heic");
    // Reading writes nothing.
    EXPECT_FALSE(QFile::exists(store.FileName()));
}

TEST_F(AppStartupTest, StoredValuesAreReadAsTheyStand) {
    {
        SettingsStore store;
        store.WriteInt("Settings", "CardBoard_R", 256);  // no range test when read
        store.WriteInt("Settings", "CardBoard_A", 128);
        store.WriteInt("Settings", "SaveFolder", 2);
        store.WriteString("Settings", "SaveFolderSpecified", "/srv/done");
        store.WriteString("Settings", "SaveFolderSub", "out");
        store.WriteInt("Settings", "GridOnOnStartrup", 0);
        store.Flush();
    }
    SettingsStore store;
    CTavloApp app(store);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.settings.CardBoard_R, 256);
    EXPECT_EQ(app.settings.CardBoard_A, 128);
    EXPECT_EQ(app.settings.SaveFolder, 2);
    EXPECT_EQ(app.settings.SaveFolderSpecified, "/srv/done");
    EXPECT_EQ(app.settings.SaveFolderSub, "out");
    EXPECT_EQ(app.settings.GridOnOnStartrup, 0);
    EXPECT_EQ(app.settings.CardBoard_G, 255);
}

struct UseWicCase {
    const char* name;
    int stored;           // -1: absent
    bool componentWorks;
    int expectedUseWic;
    bool expectHeif;
};

class UseWicStartupTest : public AppStartupTest,
                          public ::testing::WithParamInterface<UseWicCase> {};

TEST_P(UseWicStartupTest, ChoosesComponentsAndExtensions) {
    const UseWicCase& c = GetParam();
    SettingsStore store;
    if (c.stored >= 0) store.WriteInt("Settings", "UseWIC", c.stored);
    CTavloApp::CodecFactoryMaker maker = &CodecFactory::Create;
    if (!c.componentWorks) maker = [] { return std::unique_ptr<CodecFactory>(); };
    CTavloApp app(store, maker);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.UseWIC, c.expectedUseWic);
    EXPECT_EQ(app.HeifAvailable, c.expectHeif ? 1 : 0);
    EXPECT_EQ(app.WicFactory != nullptr, c.componentWorks);
    EXPECT_EQ(app.ImageExtensions.size(), c.expectHeif ? 10 : 8);
    EXPECT_EQ(app.Imaging().UseWIC, c.expectedUseWic);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UseWicStartupTest,
    ::testing::Values(UseWicCase{"Absent", -1, true, 1, true},
                      UseWicCase{"StoredZeroSkipsHeifProbe", 0, true, 0, false},
                      UseWicCase{"StoredTwo", 2, true, 2, true},
                      // Without the component the stored value is not even read.
                      UseWicCase{"NoComponent", 2, false, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppStartupTest, DeleteOnExitIsClearedAtEveryStartAndRemovesTheStore) {
    SettingsStore store;
    store.WriteInt("Settings", "CardBoard_R", 10);
    store.WriteInt("Frame", "Initialized", 1);
    store.Flush();
    const QFileInfo file(store.FileName());
    ASSERT_TRUE(file.exists());

    CTavloApp app(store);
    app.DeleteSettingsOnExit = 1;  // left over from nowhere: start-up clears it
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.DeleteSettingsOnExit, 0);
    EXPECT_EQ(app.ExitInstance(0), 0);
    EXPECT_TRUE(QFile::exists(file.absoluteFilePath()));

    // The user ticked the box: the store and the empty company folder go.
    app.DeleteSettingsOnExit = 1;
    EXPECT_EQ(app.ExitInstance(3), 3);
    EXPECT_FALSE(QFile::exists(file.absoluteFilePath()));
    EXPECT_FALSE(QFileInfo::exists(file.absolutePath()));

    // The next start is a first start.
    SettingsStore again;
    CTavloApp next(again);
    ASSERT_TRUE(next.InitInstance());
    EXPECT_EQ(next.settings.CardBoard_R, 255);
}

TEST_F(AppStartupTest, DeleteOnExitSparesTheCompanyFolderWhenOthersLiveThere) {
    SettingsStore store;
    store.WriteInt("Settings", "CardBoard_R", 10);
    store.Flush();
    const QFileInfo file(store.FileName());
    const QString sibling = file.absolutePath() + "/OtherProgram.conf";
    QFile other(sibling);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();

    CTavloApp app(store);
    ASSERT_TRUE(app.InitInstance());
    app.DeleteSettingsOnExit = 1;
    app.ExitInstance();
    EXPECT_FALSE(QFile::exists(file.absoluteFilePath()));
    EXPECT_TRUE(QFile::exists(sibling));
}

TEST_F(AppStartupTest, CustomColorsRoundTripAsSixtyFourBytes) {
    SettingsStore store;
    CustomColorSet colors;
    for (int i = 0; i < 16; ++i) colors[i] = QColor(i * 10, 255 - i, i * 3);
    WriteCustomColors(store, colors);
    const QByteArray raw = store.GetBinary("Settings", "CustomColors");
    ASSERT_EQ(raw.size(), 64);
    // COLORREF: red in the lowest byte, the top byte zero.
    EXPECT_EQ(uchar(raw[4]), 10);
    EXPECT_EQ(uchar(raw[5]), 254);
    EXPECT_EQ(uchar(raw[6]), 3);
    EXPECT_EQ(uchar(raw[7]), 0);
    SettingsStore reread;
    EXPECT_EQ(ReadCustomColors(reread), colors);

    // A value shorter than 64 bytes is no set at all: the current one stays.
    store.WriteBinary("Settings", "CustomColors", raw.left(63));
    EXPECT_FALSE(ReadCustomColors(store).has_value());
    store.WriteBinary("Settings", "CustomColors", raw + "extra");
    EXPECT_EQ(ReadCustomColors(store), colors) << "the first 64 bytes count";
}

TEST_F(AppStartupTest, HelpPageIsFoundBesideTheProgram) {
    QTemporaryDir folder;
    SettingsStore store;
    CTavloApp app(store);
    const QString program = folder.path() + "/tavlo";
    app.LocateHelpPage(program);
    EXPECT_EQ(app.HelpPath, folder.path() + "/Help/Help.html");
    EXPECT_EQ(app.HelpExists, 0);

    QDir(folder.path()).mkpath("Help");
    QFile page(folder.path() + "/Help/Help.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    app.LocateHelpPage(program);
    EXPECT_EQ(app.HelpExists, 1);

    // Installed: <prefix>/bin/tavlo with <prefix>/share/oblimo/Help/Help.html.
    QDir(folder.path()).mkpath("usr/bin");
    QDir(folder.path()).mkpath("usr/share/oblimo/Help");
    QFile installed(folder.path() + "/usr/share/oblimo/Help/Help.html");
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    app.LocateHelpPage(folder.path() + "/usr/bin/tavlo");
    EXPECT_EQ(app.HelpPath, folder.path() + "/usr/share/oblimo/Help/Help.html");
    EXPECT_EQ(app.HelpExists, 1);

    app.LocateHelpPage("tavlo");  // no folder part
    EXPECT_TRUE(app.HelpPath.isEmpty());
    EXPECT_EQ(app.HelpExists, 0);
}
}  // namespace
