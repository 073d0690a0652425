// Texts in the settings file as people write them by hand.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/SettingsStore.h"
#include "support/TestEnvironment.h"

namespace {
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { TestEnvironment::ClearSettings(); }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    static void WriteByHand(const QByteArray& contents) {
        const QString path = SettingsStore().FileName();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(contents), contents.size());
    }
};

// Without quotes a comma makes the store see a list; the text comes back as
// it was written, blanks after the commas included.
TEST_F(SettingsStoreTest, TextsWithCommasWrittenWithoutQuotesReadBackAsWritten) {
    WriteByHand(
        "Plain=outside every section\n"
        "[Settings]\n"
        "Plain=out\n"
        "Two=x,y\n"
        "Spaced=Scans, 2024 , final\n"
        "Blanks=   lead, trail\t \n"
        "Empty=x,,y,\n"
        "Comma=,\n"
        "Backslashes=C:\\Scans\\new,old\n"
        "Noted=a, b ; written by hand\n"
        "Quoted=\"quoted, kept\"\n"
        "Wide=日本, 語\n"
        "With%20Space=1, 2\n"
        "Windows=p, q\r\n"
        "Twice=first, one\n"
        "Twice=second, one\n"
        "[Other]\n"
        "Two=not, this\n");
    struct Case {
        const char* section;
        const char* key;
        QString expected;
    };
    const Case cases[] = {
        {"Settings", "Plain", "out"},
        {"Settings", "Two", "x,y"},
        {"Settings", "Spaced", "Scans, 2024 , final"},
        {"Settings", "Blanks", "lead, trail"},
        {"Settings", "Empty", "x,,y,"},
        {"Settings", "Comma", ","},
        {"Settings", "Backslashes", "C:\\Scans\\new,old"},
        {"Settings", "Noted", "a, b"},
        {"Settings", "Quoted", "quoted, kept"},
        {"Settings", "Wide", QStringLiteral("日本, 語")},
        {"Settings", "With Space", "1, 2"},
        {"Settings", "Windows", "p, q"},
        {"Settings", "Twice", "second, one"},
        {"Other", "Two", "not, this"},
    };
    SettingsStore store;
    for (const Case& c : cases)
        EXPECT_EQ(store.GetString(c.section, c.key, "default"), c.expected) << c.key;
    EXPECT_EQ(store.GetString("Settings", "Missing", "default"), "default");
}

// What the program writes itself reads back unchanged, commas or not.
TEST_F(SettingsStoreTest, TextsWrittenByTheProgramRoundTrip) {
    const QStringList texts = {"a,b", "a, b", " lead", "x;y", "\"quoted\"", "", "C:\\dir,x"};
    {
        SettingsStore store;
        for (qsizetype i = 0; i < texts.size(); ++i)
            store.WriteString("Settings", QString::number(i), texts[i]);
        store.Flush();
    }
    SettingsStore store;
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(store.GetString("Settings", QString::number(i), "default"), texts[i])
            << texts[i].toStdString();
}
}  // namespace
