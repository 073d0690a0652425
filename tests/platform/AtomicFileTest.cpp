// Files appear complete or not at all: failed writes leave neither a partial
// file nor a changed target, and NoReplace never replaces anything.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

    static QByteArray LinkText(const QString& path) {
        char text[4096];
        const ssize_t length = ::readlink(QFile::encodeName(path).constData(), text, sizeof text);
        return length < 0 ? QByteArray() : QByteArray(text, length);
    }

    static bool WriteText(AtomicFile& file, const QByteArray& text, FilePublish publish) {
        return file.Open(publish) && file.Write(text.constData(), std::size_t(text.size()));
    }

    QTemporaryDir m_folder;
};

TEST_F(AtomicFileTest, ReplaceSwapsTheTargetOnlyOnCommit) {
    const QString target = Fixtures::WriteFile(m_folder.path(), "out.png", "old contents");
    ::chmod(QFile::encodeName(target).constData(), 0640);
    {
        AtomicFile file(target);
        ASSERT_TRUE(WriteText(file, "new", FilePublish::Replace));
        ASSERT_TRUE(file.WriteAt(3, " contents", 9));
        // Still the old file while the new one is being written.
        EXPECT_EQ(Fixtures::ReadFile(target), "old contents");
        EXPECT_EQ(Entries().size(), 2);
        ASSERT_TRUE(file.Commit());
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
    ASSERT_TRUE(WriteText(file, "x", FilePublish::NoReplace));
    ASSERT_TRUE(file.Commit());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("fresh.jpg")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

TEST_F(AtomicFileTest, AbandonedWriteLeavesTargetAndFolderAsTheyWere) {
    const QString target = Fixtures::WriteFile(m_folder.path(), "out.png", "keep me");
    {
        AtomicFile file(target);
        ASSERT_TRUE(WriteText(file, "half a fi", FilePublish::Replace));
        // An encoder failed: the object goes without Commit.
    }
    EXPECT_EQ(Fixtures::ReadFile(target), "keep me");
    EXPECT_EQ(Entries(), QStringList{"out.png"});

    AtomicFile discarded(target);
    ASSERT_TRUE(WriteText(discarded, "other", FilePublish::Replace));
    discarded.Discard();
    EXPECT_FALSE(discarded.Commit());
    EXPECT_EQ(Fixtures::ReadFile(target), "keep me");
    EXPECT_EQ(Entries(), QStringList{"out.png"});
}

TEST_F(AtomicFileTest, NoReplaceRefusesEveryKindOfExistingEntry) {
    Fixtures::WriteFile(m_folder.path(), "file.jpg", "someone else's");
    QDir(m_folder.path()).mkdir("folder.jpg");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(Path("dangling.jpg")).constData()), 0);
    for (const char* name : {"file.jpg", "folder.jpg", "dangling.jpg"}) {
        AtomicFile file(Path(name));
        ASSERT_TRUE(WriteText(file, "mine", FilePublish::NoReplace)) << name;
        EXPECT_FALSE(file.Commit()) << name;
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
    ASSERT_TRUE(WriteText(file, "data", FilePublish::Replace));
    EXPECT_FALSE(file.Commit());
    EXPECT_TRUE(QFileInfo(Path("result.png")).isDir());
    EXPECT_EQ(Entries(), QStringList{"result.png"});
}

TEST_F(AtomicFileTest, OpenFailsWithoutCreatingAnything) {
    for (const QString& path : {Path("missing/out.png"), Path("out.png/"), QString()}) {
        AtomicFile file(path);
        EXPECT_FALSE(file.Open(FilePublish::Replace)) << path.toStdString();
        EXPECT_NE(file.Error(), 0) << path.toStdString();
        EXPECT_FALSE(file.Write("x", 1));
        EXPECT_FALSE(file.Commit());
    }
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(AtomicFileTest, BareNameIsWrittenInTheCurrentFolder) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_folder.path()));
    AtomicFile file("relative.bmp");
    const bool written = WriteText(file, "bmp", FilePublish::NoReplace) && file.Commit();
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

// Save-as names the user's file: a symbolic link leads to the file that gets
// the new contents, wherever it is, and stays a link. The program's own files
// replace whatever has their name instead.
TEST_F(AtomicFileTest, ReplaceWritesThroughSymbolicLinks) {
    QDir(m_folder.path()).mkdir("elsewhere");
    struct Case {
        const char* link;
        const char* pointsTo;  // as stored in the link
        const char* file;      // the file that ends with the new contents
    };
    const Case cases[] = {
        {"same-folder.png", "real.png", "real.png"},
        {"into-folder.png", "elsewhere/deep.png", "elsewhere/deep.png"},
        {"chain.png", "same-folder.png", "real.png"},
        {"dangling.png", "elsewhere/new.png", "elsewhere/new.png"},
    };
    Fixtures::WriteFile(m_folder.path(), "real.png", "old");
    Fixtures::WriteFile(m_folder.path(), "elsewhere/deep.png", "old");
    for (const Case& c : cases)
        ASSERT_EQ(::symlink(c.pointsTo, QFile::encodeName(Path(c.link)).constData()), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        AtomicFile file(Path(c.link));
        ASSERT_TRUE(WriteText(file, QByteArray("via ") + c.link, FilePublish::Replace));
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(Fixtures::ReadFile(Path(c.file)), QByteArray("via ") + c.link);
        EXPECT_EQ(LinkText(Path(c.link)), c.pointsTo);
    }
    EXPECT_EQ(FileFixtures::FolderEntries(Path("elsewhere")), (QStringList{"deep.png", "new.png"}));

    // A link to a folder still cannot be saved over.
    ASSERT_EQ(::symlink("elsewhere", QFile::encodeName(Path("folder.png")).constData()), 0);
    AtomicFile toFolder(Path("folder.png"));
    EXPECT_FALSE(WriteText(toFolder, "x", FilePublish::Replace) && toFolder.Commit());
    EXPECT_TRUE(QFileInfo(Path("elsewhere")).isDir());

    AtomicFile own(Path("same-folder.png"));
    ASSERT_TRUE(WriteText(own, "entry", FilePublish::ReplaceEntry));
    ASSERT_TRUE(own.Commit());
    EXPECT_FALSE(QFileInfo(Path("same-folder.png")).isSymLink());
    EXPECT_EQ(Fixtures::ReadFile(Path("same-folder.png")), "entry");
    EXPECT_EQ(Fixtures::ReadFile(Path("real.png")), "via chain.png");
    EXPECT_EQ(Entries(), (QStringList{"chain.png", "dangling.png", "elsewhere", "folder.png",
                                      "into-folder.png", "real.png", "same-folder.png"}));
}

// The rename that publishes needs only a writable folder; a file the user may
// not write must stay as it is all the same, also when it becomes read-only
// while the new file is written.
TEST_F(AtomicFileTest, ReplaceRefusesAFileTheUserMayNotWrite) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
    const QString target = Fixtures::WriteFile(m_folder.path(), "locked.png", "mine, read-only");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    AtomicFile file(target);
    EXPECT_FALSE(file.Open(FilePublish::Replace));
    EXPECT_EQ(file.Error(), EACCES);

    const QString later = Fixtures::WriteFile(m_folder.path(), "later.png", "before");
    AtomicFile late(later);
    ASSERT_TRUE(WriteText(late, "after", FilePublish::Replace));
    ASSERT_EQ(::chmod(QFile::encodeName(later).constData(), 0444), 0);
    EXPECT_FALSE(late.Commit());
    EXPECT_EQ(late.Error(), EACCES);
    EXPECT_EQ(Fixtures::ReadFile(target), "mine, read-only");
    EXPECT_EQ(Fixtures::ReadFile(later), "before");
    EXPECT_EQ(Entries(), (QStringList{"later.png", "locked.png"}));
}

// Someone else's read-only file in a folder everyone may write, saved over by
// an unprivileged user (a child of a test that runs as root).
TEST_F(AtomicFileTest, ReplaceRefusesAnotherUsersReadOnlyFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    const QString target = Fixtures::WriteFile(m_folder.path(), "theirs.png", "root's");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_folder.path()).constData(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        AtomicFile file(target);
        const bool opened = file.Open(FilePublish::Replace);
        ::_exit(opened ? 1 : file.Error() == EACCES ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: another error, 3: no second user";
    EXPECT_EQ(Fixtures::ReadFile(target), "root's");
    EXPECT_EQ(Entries(), QStringList{"theirs.png"});
}

// Replacing one name of a file with several would leave the others on the old
// contents, and rewriting it in place would risk them: such a file is refused,
// also when the second name appears while the new file is written.
TEST_F(AtomicFileTest, ReplaceRefusesAFileWithFurtherNames) {
    const QString target = Fixtures::WriteFile(m_folder.path(), "a.png", "shared");
    ASSERT_EQ(
        ::link(QFile::encodeName(target).constData(), QFile::encodeName(Path("b.png")).constData()),
        0);
    AtomicFile file(target);
    EXPECT_FALSE(file.Open(FilePublish::Replace));
    EXPECT_EQ(file.Error(), EMLINK);

    const QString single = Fixtures::WriteFile(m_folder.path(), "c.png", "single");
    AtomicFile late(single);
    ASSERT_TRUE(WriteText(late, "new", FilePublish::Replace));
    ASSERT_EQ(
        ::link(QFile::encodeName(single).constData(), QFile::encodeName(Path("d.png")).constData()),
        0);
    EXPECT_FALSE(late.Commit());
    EXPECT_EQ(late.Error(), EMLINK);
    for (const char* name : {"a.png", "b.png"}) EXPECT_EQ(Fixtures::ReadFile(Path(name)), "shared");
    for (const char* name : {"c.png", "d.png"}) EXPECT_EQ(Fixtures::ReadFile(Path(name)), "single");
    EXPECT_EQ(Entries(), (QStringList{"a.png", "b.png", "c.png", "d.png"}));
}

}  // namespace
