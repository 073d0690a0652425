// Choosing the parent of the unpack folder: the candidates an environment
// gives, and which of them serves, with the file system's answers (noexec,
// free room) played by a stand-in.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <set>

#include "launcher/UnpackFolder.h"
#include "support/FileFixtures.h"

namespace {

using FileFixtures::FolderEntries;

TEST(UnpackParentCandidatesTest, PrivateFirstThenSharedThenCache) {
    struct CandidateCase {
        const char* name;
        UnpackEnvironment environment;
        std::vector<UnpackParentCandidate> candidates;
    };
    const CandidateCase cases[] = {
        {"everything set",
         {"/run/user/1000", "/scratch", "/home/u/cache", "/home/u"},
         {{"/run/user/1000", false},
          {"/scratch", true},
          {"/tmp", true},
          {"/var/tmp", true},
          {"/home/u/cache", false}}},
        {"nothing set", {}, {{"/tmp", true}, {"/var/tmp", true}}},
        {"TMPDIR is /tmp, cache from HOME",
         {"", "/tmp", "", "/home/u"},
         {{"/tmp", true}, {"/var/tmp", true}, {"/home/u/.cache", false}}},
        {"relative values are ignored",
         {"run", "tmp", "cache", "home"},
         {{"/tmp", true}, {"/var/tmp", true}}},
    };
    for (const CandidateCase& c : cases)
        EXPECT_EQ(UnpackParentCandidates(c.environment), c.candidates) << c.name;
}

class UnpackParentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_probe.allowsPrograms = [this](int folder) { return !m_noexec.count(Identity(folder)); };
        m_probe.freeBytes = [this](int folder) -> std::uint64_t {
            return m_small.count(Identity(folder)) ? 1000 : 1ull << 40;
        };
    }

    // A folder below the test's own, with the mode given.
    std::string Folder(const char* name, mode_t mode = 0700) {
        const QString path = m_root.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path));
        EXPECT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
        return path.toStdString();
    }

    static ino_t Identity(int folder) {
        struct stat status;
        return fstat(folder, &status) == 0 ? status.st_ino : 0;
    }
    static ino_t Identity(const std::string& path) {
        struct stat status;
        return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
    }

    QTemporaryDir m_root;
    FileSystemProbe m_probe;
    std::set<ino_t> m_noexec, m_small;
};

TEST_F(UnpackParentTest, SkipsWhatCannotTakeThePayload) {
    const std::string runtime = Folder("run");
    const std::string exposed = Folder("exposed", 0777);
    const std::string noexec = Folder("noexec", 01777);
    const std::string small = Folder("small", 01777);
    const std::string shared = Folder("shared", 01777);
    m_noexec.insert(Identity(noexec));
    m_small.insert(Identity(small));
    m_small.insert(Identity(runtime));

    struct ChoiceCase {
        const char* name;
        std::vector<UnpackParentCandidate> candidates;
        std::string chosenBelow;  // the chosen parent is this or a sub-folder of it
        bool subFolder;
    };
    const ChoiceCase cases[] = {
        {"private folder too small, noexec shared folder, then one that serves",
         {{runtime, false}, {noexec, true}, {shared, true}},
         shared,
         true},
        {"a private folder others may write to is passed over",
         {{exposed, false}, {runtime + "-missing", false}, {small, true}, {shared, true}},
         shared,
         true},
        {"none serves", {{noexec, true}, {small, true}}, "", false},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<UnpackParent> parent = OpenUnpackParent(c.candidates, "{F}", 5000, m_probe);
        ASSERT_EQ(parent.has_value(), !c.chosenBelow.empty());
        if (!parent) continue;
        EXPECT_EQ(parent->IsSubFolder(), c.subFolder);
        EXPECT_EQ(
            parent->Path().rfind(c.chosenBelow + "/quillet-" + std::to_string(geteuid()) + "-", 0),
            0u)
            << parent->Path();
        struct stat status;
        ASSERT_EQ(fstat(parent->Folder(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u);
        parent->RemoveIfEmpty();
        EXPECT_EQ(FolderEntries(QString::fromStdString(shared)), QStringList());
    }
    // Nothing was made where the payload could not go.
    EXPECT_EQ(FolderEntries(QString::fromStdString(noexec)), QStringList());
    EXPECT_EQ(FolderEntries(QString::fromStdString(small)), QStringList());
}

TEST_F(UnpackParentTest, PrivateFolderIsUsedDirectlyAndStays) {
    const std::string runtime = Folder("run");
    std::optional<UnpackParent> parent =
        OpenUnpackParent({{runtime, false}, {Folder("shared", 01777), true}}, "{F}", 5000, m_probe);
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->Path(), runtime);
    EXPECT_FALSE(parent->IsSubFolder());
    parent->RemoveIfEmpty();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(runtime)).isDir());
}

TEST_F(UnpackParentTest, InterruptedRunsSubFolderHoldingTheFolderIsTakenAgain) {
    const std::string shared = Folder("shared", 01777);
    const std::string prefix = shared + "/quillet-" + std::to_string(geteuid()) + "-";
    Folder(("shared/quillet-" + std::to_string(geteuid()) + "-aaaaaa").c_str());
    Folder(("shared/quillet-" + std::to_string(geteuid()) + "-bbbbbb/{F}").c_str());
    chmod((prefix + "bbbbbb").c_str(), 0700);
    // Same prefix, but open to others: never taken.
    Folder(("shared/quillet-" + std::to_string(geteuid()) + "-0open0").c_str(), 0755);

    std::optional<UnpackParent> parent = OpenUnpackParent({{shared, true}}, "{F}", 1, m_probe);
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->Path(), prefix + "bbbbbb");
    // Without a folder of that name the first usable sub-folder serves.
    parent = OpenUnpackParent({{shared, true}}, "{G}", 1, m_probe);
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->Path(), prefix + "aaaaaa");
}

}  // namespace
