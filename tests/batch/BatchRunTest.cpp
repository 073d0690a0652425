// The batch run without a window: statuses, output paths and counters of a
// mixed selection, stop and resume, the edited file itself, the folder modes,
// transparency, and a worker stopped and resumed many times over.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <future>
#include <random>

#include "BatchFixtures.h"
#include "app/CTavloApp.h"
#include "output/SaveWithAutoName.h"
#include "output/Transparency.h"
#include "platform/SettingsStore.h"
#include "support/EncodedFiles.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

using namespace BatchFixtures;

namespace {

constexpr int kWidth = 120, kHeight = 80;

QImage ReadBack(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read();
}

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ClearSettings();
        ASSERT_TRUE(m_app.InitInstance());
    }
    void TearDown() override {
        m_store.Flush();
        TestEnvironment::ClearSettings();
    }

    QString Path(const QString& name) const { return QDir(m_folder.path()).filePath(name); }
    // A page of the reference size, in the format the name's extension gives.
    QString WritePage(const QString& name, int seed, int width = kWidth, int height = kHeight) {
        const QString path = Path(name);
        EXPECT_TRUE(Page(width, height, seed).save(path));
        return path;
    }
    std::unique_ptr<CTavloDoc> Edited(const Edit& edit = {}) {
        auto document = EditedDocument(m_app, WritePage("reference.png", 0), edit);
        EXPECT_NE(document, nullptr);
        return document;
    }

    SettingsStore m_store;
    CTavloApp m_app{m_store};
    QTemporaryDir m_folder;
};

TEST_F(BatchRunTest, AMixedSelectionGetsItsStatusesPathsAndCounters) {
    const auto document = Edited();
    struct Case {
        const char* name;
        enum Kind { Good, OtherSize, Text, NameTaken } kind;
        int status;
        const char* output;  // empty: none computed
    };
    const Case cases[] = {
        {"a.png", Case::Good, BatchSucceeded, "a-Oblimo.png"},
        {"wide.png", Case::OtherSize, BatchSizeMismatch, ""},
        {"notes.jpg", Case::Text, BatchFailed, ""},
        {"b.jpg", Case::Good, BatchSucceeded, "b-Oblimo.jpg"},
        // Every automatic name of c is taken: the highest number there is the
        // largest one, so the bare name comes up again and exists.
        {"c.png", Case::NameTaken, BatchFailed, "c-Oblimo.png"},
        {"d.bmp", Case::Good, BatchSucceeded, "d-Oblimo.bmp"},
    };
    QStringList paths;
    int seed = 1;
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        switch (c.kind) {
            case Case::Good:
                paths << WritePage(name, seed++);
                break;
            case Case::OtherSize:
                paths << WritePage(name, seed++, kWidth + 1, kHeight);
                break;
            case Case::Text:
                paths << Fixtures::WriteFile(m_folder.path(), name, "not an image at all\n");
                break;
            case Case::NameTaken:
                paths << WritePage(name, seed++);
                Fixtures::WriteFile(m_folder.path(), "c-Oblimo.png", "earlier");
                Fixtures::WriteFile(m_folder.path(), "c-Oblimo4294967295.png", "earlier");
                break;
        }
    }
    BatchRun run(*document, MakeBatchItems(paths));
    ASSERT_TRUE(RunToEnd(run));

    const auto states = States(run);
    const CUndoItem& params = *document->OutputParams();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(states[i].status, c.status);
        EXPECT_EQ(states[i].outputPath, *c.output ? Path(c.output) : QString());
        if (c.status == BatchSucceeded)
            EXPECT_EQ(ReadBack(states[i].outputPath).size(),
                      QSize(params.m_resultWidth, params.m_resultHeight));
    }
    EXPECT_EQ(run.Succeeded(), 3);
    EXPECT_EQ(run.Failed(), 3);
    // Nothing was written for the failures, and the taken name kept its file.
    EXPECT_EQ(Fixtures::ReadFile(Path("c-Oblimo.png")), QByteArray("earlier"));
    EXPECT_EQ(FileFixtures::FolderEntries(m_folder.path()),
              QStringList({"a-Oblimo.png", "a.png", "b-Oblimo.jpg", "b.jpg", "c-Oblimo.png",
                           "c-Oblimo4294967295.png", "c.png", "d-Oblimo.bmp", "d.bmp", "notes.jpg",
                           "reference.png", "wide.png"}));
}

TEST_F(BatchRunTest, AStopDuringTheFourthOfTenEndsAfterItAndResumeCountsEveryFileOnce) {
    struct Case {
        const char* what;
        int otherSize;  // index of a file of another size, -1 for none
        int broken;     // index of a text file named .png, -1 for none
    };
    const Case cases[] = {
        {"all files good", -1, -1},
        {"an earlier file of another size", 1, -1},
        {"the file in hand broken", -1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const auto document = Edited();
        QStringList paths;
        for (int i = 0; i < 10; ++i) {
            const QString path = QDir(folder.path()).filePath(QStringLiteral("p%1.png").arg(i));
            if (i == c.broken) {
                Fixtures::WriteFile(folder.path(), QFileInfo(path).fileName(), "text");
            } else {
                ASSERT_TRUE(Page(kWidth, i == c.otherSize ? kHeight + 2 : kHeight, i).save(path));
            }
            paths << path;
        }
        BatchRun run(*document, MakeBatchItems(paths));
        std::vector<int> finishes(10, 0);
        Gate gate(3);
        run.SetItemStartedHook([&](std::size_t index) { gate.OnItemStarted(index); });
        run.SetItemFinishedHook([&](std::size_t index) { ++finishes[index]; });

        std::promise<void> ended;
        ASSERT_TRUE(run.Start([&] { ended.set_value(); }));
        ASSERT_TRUE(gate.WaitUntilHeld());
        {
            std::lock_guard<std::mutex> lock(run.Mutex());
            EXPECT_EQ(run.Items()[3]->m_status, BatchProcessing);
            EXPECT_EQ(run.Succeeded() + run.Failed(), 3);
        }
        run.RequestStop();
        gate.Release();
        ASSERT_EQ(ended.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready);
        run.Wait();

        // The fourth file was finished, the fifth not touched (its decoding
        // ahead was dropped), nothing written beyond the fourth.
        auto states = States(run);
        for (int i = 0; i < 10; ++i) {
            const int expected = i > 3              ? BatchPending
                                 : i == c.otherSize ? BatchSizeMismatch
                                 : i == c.broken    ? BatchFailed
                                                    : BatchSucceeded;
            EXPECT_EQ(states[std::size_t(i)].status, expected) << "file " << i;
        }
        const int failedBefore = (c.otherSize >= 0 ? 1 : 0) + (c.broken >= 0 ? 1 : 0);
        EXPECT_EQ(run.Succeeded(), 4 - failedBefore);
        EXPECT_EQ(run.Failed(), failedBefore);
        EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("p4-Oblimo.png")));

        run.ClearStopRequest();
        ASSERT_TRUE(RunToEnd(run));
        states = States(run);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(finishes[std::size_t(i)], 1) << "file " << i;
            if (i != c.otherSize && i != c.broken) {
                EXPECT_EQ(states[std::size_t(i)].status, BatchSucceeded);
                EXPECT_EQ(states[std::size_t(i)].outputPath,
                          QDir(folder.path()).filePath(QStringLiteral("p%1-Oblimo.png").arg(i)));
            }
        }
        EXPECT_EQ(run.Succeeded(), 10 - failedBefore);
        EXPECT_EQ(run.Failed(), failedBefore);
        // A resumed run leaves every file with an outcome alone.
        EXPECT_TRUE(RunToEnd(run));
        EXPECT_EQ(run.Succeeded() + run.Failed(), 10);
    }
}

TEST_F(BatchRunTest, TheEditedFileItselfIsProcessedLikeAnyOtherUnderTheNextName) {
    const auto document = Edited({-7.5f, 1, {}});
    const QString reference = Path("reference.png");
    // The user saved step 4 first, as "自動的に名前を変えて保存" does.
    const HolderPtr result = document->Current()->m_image;
    QString saved;
    ASSERT_TRUE(SaveWithAutoName(*document, result, HasTransparency(result->Image()),
                                 document->OutputParams()->m_image, reference, &saved));
    ASSERT_EQ(saved, Path("reference-Oblimo.png"));

    BatchRun run(*document, MakeBatchItems({reference, WritePage("next.png", 4)}));
    ASSERT_TRUE(RunToEnd(run));
    const auto states = States(run);
    ASSERT_EQ(states[0].status, BatchSucceeded);
    EXPECT_EQ(states[0].outputPath, Path("reference-Oblimo2.png"));
    EXPECT_EQ(states[1].outputPath, Path("next-Oblimo.png"));
    EXPECT_EQ(ReadBack(states[0].outputPath), ReadBack(saved));
    // The document was not changed by the run.
    EXPECT_EQ(document->CurrentStep(), 4);
}

TEST_F(BatchRunTest, AFileThatAnEarlierItemWritesIsReadOnceItIsInHand) {
    // The second file does not exist yet when the first one is read and the
    // second read ahead; the first one's output is that very file (a mirror
    // image keeps the size).
    const auto document = Edited({0.0f, 1, {}});
    const QString first = WritePage("a.png", 1);
    BatchRun run(*document, MakeBatchItems({first, Path("a-Oblimo.png")}));
    ASSERT_TRUE(RunToEnd(run));
    const auto states = States(run);
    EXPECT_EQ(states[0].outputPath, Path("a-Oblimo.png"));
    ASSERT_EQ(states[1].status, BatchSucceeded);
    EXPECT_EQ(states[1].outputPath, Path("a-Oblimo2.png"));
}

TEST_F(BatchRunTest, SaveFolderOnePutsEveryOutputIntoOneSubFolder) {
    m_app.settings.SaveFolder = 1;
    m_app.settings.SaveFolderSub = QStringLiteral("straight");
    const auto document = Edited();
    const QStringList paths = {WritePage("1.png", 1), WritePage("2.jpg", 2), WritePage("3.bmp", 3)};
    BatchRun run(*document, MakeBatchItems(paths));
    ASSERT_TRUE(RunToEnd(run));
    EXPECT_EQ(run.Succeeded(), 3);
    EXPECT_EQ(FileFixtures::FolderEntries(Path("straight")),
              QStringList({"1-Oblimo.png", "2-Oblimo.jpg", "3-Oblimo.bmp"}));
    for (const ItemState& state : States(run))
        EXPECT_TRUE(state.outputPath.startsWith(Path("straight") + "/"))
            << qPrintable(state.outputPath);
}

TEST_F(BatchRunTest, AMarginBelowFullOpacityMakesEveryOutputAPngWithTransparency) {
    m_app.settings.CardBoard_R = 250, m_app.settings.CardBoard_G = 10;
    m_app.settings.CardBoard_B = 10, m_app.settings.CardBoard_A = 100;
    // A frame reaching 20 pixels beyond the image on every side.
    const auto document = Edited({10.0f, 0, FrameRect{-80, -60, 80, 60}});
    const QStringList paths = {WritePage("1.jpg", 1), WritePage("2.bmp", 2), WritePage("3.png", 3)};
    BatchRun run(*document, MakeBatchItems(paths));
    ASSERT_TRUE(RunToEnd(run));
    const QStringList expected = {"1-Oblimo.png", "2-Oblimo.png", "3-Oblimo.png"};
    const auto states = States(run);
    for (std::size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE(expected[qsizetype(i)].toStdString());
        ASSERT_EQ(states[i].status, BatchSucceeded);
        EXPECT_EQ(states[i].outputPath, Path(expected[qsizetype(i)]));
        EXPECT_EQ(EncodedFiles::PngColorType(Fixtures::ReadFile(states[i].outputPath)), 6);
        const QImage written = ReadBack(states[i].outputPath);
        EXPECT_EQ(written.size(), QSize(160, 120));
        EXPECT_EQ(written.pixelColor(0, 0), QColor(250, 10, 10, 100));
        EXPECT_EQ(qAlpha(written.pixel(80, 60)), 255);
    }
}

TEST_F(BatchRunTest, AStartWhileAWorkerRunsIsRefused) {
    const auto document = Edited();
    BatchRun run(*document, MakeBatchItems({WritePage("1.png", 1), WritePage("2.png", 2)}));
    Gate gate(0);
    run.SetItemStartedHook([&](std::size_t index) { gate.OnItemStarted(index); });
    std::promise<void> ended;
    ASSERT_TRUE(run.Start([&] { ended.set_value(); }));
    ASSERT_TRUE(gate.WaitUntilHeld());
    EXPECT_FALSE(run.Start({}));
    gate.Release();
    ASSERT_EQ(ended.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready);
    run.Wait();
    EXPECT_EQ(run.Succeeded(), 2);
}

TEST_F(BatchRunTest, TheWorkerRunsBelowNormalPriorityWhenAskedTo) {
    const auto document = Edited();
    const auto niceOfThisThread = [] {
        return ::getpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)));
    };
    for (const BatchRun::Priority priority :
         {BatchRun::Priority::Normal, BatchRun::Priority::BelowNormal}) {
        BatchRun run(*document, MakeBatchItems({WritePage("1.png", 1)}));
        int workerNice = 0;
        run.SetItemStartedHook([&](std::size_t) { workerNice = niceOfThisThread(); });
        std::promise<void> ended;
        ASSERT_TRUE(run.Start([&] { ended.set_value(); }, priority));
        ASSERT_EQ(ended.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready);
        run.Wait();
        if (priority == BatchRun::Priority::Normal) {
            EXPECT_EQ(workerNice, niceOfThisThread());
        } else if (niceOfThisThread() >= 19) {
            // Already at the lowest priority (a niced test run): it cannot go lower.
            EXPECT_EQ(workerNice, 19);
        } else {
            EXPECT_GT(workerNice, niceOfThisThread());
        }
    }
}

// Not timed: the worker is stopped at seeded random moments, from another
// thread as the stop button does, and resumed, until every file is done.
TEST_F(BatchRunTest, StressAThousandTinyFilesStoppedAndResumedTwentyTimes) {
    constexpr int kFiles = 1000, kRounds = 20;
    const QString reference = Path("reference.png");
    ASSERT_TRUE(Page(9, 7, 0).save(reference));
    const auto document = EditedDocument(m_app, reference, Edit{3.0f, 0, {}});
    ASSERT_NE(document, nullptr);
    QTemporaryDir pages;
    QStringList paths;
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            QDir(pages.path()).filePath(QStringLiteral("%1.png").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(Page(9, 7, i).save(path));
        paths << path;
    }

    BatchRun run(*document, MakeBatchItems(paths));
    std::vector<std::atomic<int>> finishes(kFiles);
    std::mutex mutex;
    std::condition_variable changed;
    int finished = 0;
    run.SetItemFinishedHook([&](std::size_t index) {
        ++finishes[index];
        std::lock_guard<std::mutex> lock(mutex);
        ++finished;
        changed.notify_all();
    });

    std::mt19937 random(20240611);
    for (int round = 0; round <= kRounds; ++round) {
        std::atomic<bool> ended{false};
        ASSERT_TRUE(run.Start([&] {
            ended = true;
            std::lock_guard<std::mutex> lock(mutex);
            changed.notify_all();
        }));
        if (round < kRounds) {
            // Wait for a random number of further files, then spin a random
            // while so the stop lands anywhere within a file.
            int target = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                target = finished + std::uniform_int_distribution<int>(0, 60)(random);
                changed.wait_for(lock, std::chrono::minutes(1),
                                 [&] { return finished >= target || ended; });
            }
            const int spins = std::uniform_int_distribution<int>(0, 200000)(random);
            for (volatile int spin = 0; spin < spins; ++spin) {
            }
            run.RequestStop();
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            ASSERT_TRUE(
                changed.wait_for(lock, std::chrono::minutes(2), [&] { return bool(ended); }));
        }
        run.Wait();
        run.ClearStopRequest();

        // After every stop the finished files are a prefix of the list, each
        // counted once.
        const auto states = States(run);
        const int done = run.Succeeded() + run.Failed();
        {
            std::lock_guard<std::mutex> lock(mutex);
            ASSERT_EQ(done, finished) << "round " << round;
        }
        for (int i = 0; i < kFiles; ++i)
            ASSERT_EQ(states[std::size_t(i)].status, i < done ? BatchSucceeded : BatchPending)
                << "round " << round << ", file " << i;
        if (done == kFiles) break;
    }
    EXPECT_EQ(run.Succeeded(), kFiles);
    EXPECT_EQ(run.Failed(), 0);
    for (int i = 0; i < kFiles; ++i) ASSERT_EQ(finishes[std::size_t(i)].load(), 1) << "file " << i;
    // One output per file, none written twice (a second one would be -Oblimo2).
    const QStringList written = QDir(pages.path()).entryList({"*-Oblimo*"}, QDir::Files);
    EXPECT_EQ(written.size(), kFiles);
    EXPECT_TRUE(QDir(pages.path()).entryList({"*-Oblimo2.png"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(pages.path()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
