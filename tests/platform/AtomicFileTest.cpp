// Files appear complete or not at all: failed writes leave neither a partial
// file nor a changed target, and NoReplace never replaces anything.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/AtomicFile.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/QtPrinters.h"

namespace {
class AtomicFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_folder.filePath(name); }

    QStringList Entries() const { return FileFixtures::FolderEntries(m_folder.path()); }

    static bool WriteText(AtomicFile& file, const QByteArray& text) {
        return file.Open() && file.Write(text.constData(), std::size_t(text.size()));
    }

    QTemporaryDir m_folder;
};

TEST_F(AtomicFileTest, ReplaceSwapsTheTargetOnlyOnCommit) {
    const QString target = Fixtures::WriteFile(m_folder.path(), "out.png", "old contents");
    ::chmod(QFile::encodeName(target).constData(), 0640);
    {
        AtomicFile file(target);
        ASSERT_TRUE(WriteText(file, "new"));
        ASSERT_TRUE(file.WriteAt(3, " contents", 9));
        // Still the old file while the new one is being written.
        EXPECT_EQ(Fixtures::ReadFile(target), "old contents");
        EXPECT_EQ(Entries().size(), 2);
        ASSERT_TRUE(file.Commit(FilePublish::Replace));
    }
    EXPECT_EQ(Fixtures::ReadFile(target), "new contents");
    EXPECT_EQ(Entries(), QStringList{"out.png"});
    // The replaced file's permissions carry over.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(AtomicFileTest, NewFileGetsTheUsualModeLessTheUmask) {
    const mode_t mask = ::umask(027);
    ::umask(mask);
    AtomicFile file(Path("fresh.jpg"));
    ASSERT_TRUE(WriteText(file, "x"));
    ASSERT_TRUE(file.Commit(FilePublish::NoReplace));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("fresh.jpg")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

TEST_F(AtomicFileTest, AbandonedWriteLeavesTargetAndFolderAsTheyWere) {
    const QString target = Fixtures::WriteFile(m_folder.path(), "out.png", "keep me");
    {
        AtomicFile file(target);
        ASSERT_TRUE(WriteText(file, "half a fi"));
        // An encoder failed: the object goes without Commit.
    }
    EXPECT_EQ(Fixtures::ReadFile(target), "keep me");
    EXPECT_EQ(Entries(), QStringList{"out.png"});

    AtomicFile discarded(target);
    ASSERT_TRUE(WriteText(discarded, "other"));
    discarded.Discard();
    EXPECT_FALSE(discarded.Commit(FilePublish::Replace));
    EXPECT_EQ(Fixtures::ReadFile(target), "keep me");
    EXPECT_EQ(Entries(), QStringList{"out.png"});
}

TEST_F(AtomicFileTest, NoReplaceRefusesEveryKindOfExistingEntry) {
    Fixtures::WriteFile(m_folder.path(), "file.jpg", "someone else's");
    QDir(m_folder.path()).mkdir("folder.jpg");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(Path("dangling.jpg")).constData()), 0);
    for (const char* name : {"file.jpg", "folder.jpg", "dangling.jpg"}) {
        AtomicFile file(Path(name));
        ASSERT_TRUE(WriteText(file, "mine")) << name;
        EXPECT_FALSE(file.Commit(FilePublish::NoReplace)) << name;
        EXPECT_EQ(file.Error(), EEXIST) << name;
    }
    EXPECT_EQ(Fixtures::ReadFile(Path("file.jpg")), "someone else's");
    EXPECT_TRUE(QFileInfo(Path("folder.jpg")).isDir());
    EXPECT_EQ(QFileInfo(Path("dangling.jpg")).symLinkTarget(), Path("nowhere"));
    EXPECT_EQ(Entries(), (QStringList{"dangling.jpg", "file.jpg", "folder.jpg"}));
}

TEST_F(AtomicFileTest, ReplaceStillRefusesAFolder) {
    QDir(m_folder.path()).mkdir("result.png");
    AtomicFile file(Path("result.png"));
    ASSERT_TRUE(WriteText(file, "data"));
    EXPECT_FALSE(file.Commit(FilePublish::Replace));
    EXPECT_TRUE(QFileInfo(Path("result.png")).isDir());
    EXPECT_EQ(Entries(), QStringList{"result.png"});
}

TEST_F(AtomicFileTest, OpenFailsWithoutCreatingAnything) {
    for (const QString& path : {Path("missing/out.png"), Path("out.png/"), QString()}) {
        AtomicFile file(path);
        EXPECT_FALSE(file.Open()) << path.toStdString();
        EXPECT_NE(file.Error(), 0) << path.toStdString();
        EXPECT_FALSE(file.Write("x", 1));
        EXPECT_FALSE(file.Commit(FilePublish::Replace));
    }
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(AtomicFileTest, BareNameIsWrittenInTheCurrentFolder) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_folder.path()));
    AtomicFile file("relative.bmp");
    const bool written = WriteText(file, "bmp") && file.Commit(FilePublish::NoReplace);
    QDir::setCurrent(previous);
    EXPECT_TRUE(written);
    EXPECT_EQ(Fixtures::ReadFile(Path("relative.bmp")), "bmp");
}

// Both ways of publishing without replacing, on whatever file system the test
// folder is: renameat2 where the file system has the flag, and the hard link
// for those that do not.
TEST_F(AtomicFileTest, PublishingWithoutReplacingByRenameAndByLink) {
    const int folder =
        ::open(QFile::encodeName(m_folder.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    for (const bool tryRename : {true, false}) {
        SCOPED_TRACE(tryRename ? "rename" : "link");
        Fixtures::WriteFile(m_folder.path(), "temp", "new");
        Fixtures::WriteFile(m_folder.path(), "taken", "old");
        EXPECT_EQ(PublishWithoutReplacing(folder, "temp", "taken", tryRename), EEXIST);
        EXPECT_EQ(Fixtures::ReadFile(Path("taken")), "old");
        EXPECT_EQ(PublishWithoutReplacing(folder, "temp", "free", tryRename), 0);
        EXPECT_EQ(Fixtures::ReadFile(Path("free")), "new");
        EXPECT_EQ(Entries(), (QStringList{"free", "taken"}));
        QFile::remove(Path("free"));
        QFile::remove(Path("taken"));
    }
    ::close(folder);
}

}  // namespace
