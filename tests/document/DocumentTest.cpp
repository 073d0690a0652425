// The document's states, history and modified flag, its questions before a
// document is replaced, and its enable rules, driven without any window.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "app/CTavloApp.h"
#include "document/AngleNormalization.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "platform/SettingsStore.h"
#include "platform/framework/RecentFileList.h"
#include "resources/CommandIds.h"
#include "support/FakeView.h"
#include "support/ImageFixtures.h"
#include "support/NoThreadToSpare.h"
#include "support/TestEnvironment.h"

namespace {

class CountingSaver : public ResultSaver {
public:
    bool SaveResultAs(CTavloDoc& document) override {
        ++calls;
        if (succeed) document.MarkSaved();
        return succeed;
    }
    int calls = 0;
    bool succeed = true;
};

// A view-side edit: change the state, record it, finish like every edit.
void Edit(CTavloDoc& document, int kind, float angle) {
    document.Current()->m_angle = angle;
    document.RecordHistory(kind);
    document.EditEpilogue();
}

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() : m_app(m_store), m_doc(m_app) {}

    void SetUp() override {
        ASSERT_TRUE(m_app.InitInstance());
        m_doc.AddView(&m_view);
        m_doc.SetRecentFileList(&m_recent);
        m_doc.SetResultSaver(&m_saver);
        m_doc.OnNewDocument();
        m_photo = Fixtures::WriteFile(m_folder.path(), "photo.png",
                                      Fixtures::EncodeWithQt(Fixtures::Quadrants(40, 30), "png"));
    }

    void OpenPhoto() {
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(m_doc.OpenDocumentFile(m_photo));
        ASSERT_TRUE(boxes.Shown().empty());
    }

    void Edit(int kind, float angle) { ::Edit(m_doc, kind, angle); }

    QTemporaryDir m_folder;
    SettingsStore m_store;
    CTavloApp m_app;
    CTavloDoc m_doc;
    FakeView m_view;
    RecentFileList m_recent;
    CountingSaver m_saver;
    QString m_photo;
};

TEST_F(DocumentTest, AngleNormalisationKeepsBothEnds) {
    const std::pair<float, float> cases[] = {
        {540.0f, 180.0f},
        {-725.0f, -5.0f},
        {180.5f, -179.5f},
        {-180.0f, -180.0f},
        {180.0f, 180.0f},
        {-190.0f, 170.0f},
        {360.0f, 0.0f},
        {-360.0f, 0.0f},
        {720.5f, 0.5f},
        {12.5f, 12.5f},
        {-0.25f, -0.25f},
        {1080.0f, 0.0f},
        // Whole turns come off exactly even for huge values; what is not a
        // number gives 0.
        {1e12f, 144.0f},  // 1e12f is 999999995904, 144 past a whole turn
        {-1e12f, -144.0f},
        {INFINITY, 0.0f},
        {-INFINITY, 0.0f},
        {NAN, 0.0f},
    };
    for (const auto& [in, out] : cases) EXPECT_FLOAT_EQ(NormalizeAngle(in), out) << in;
}

TEST_F(DocumentTest, SetAngleStoresRecordsAndTellsTheViewWhatToRewrite) {
    OpenPhoto();
    m_doc.OnToStep2();
    m_view.hints.clear();
    m_doc.SetAngle(540.0f, kKindAngleDragged, true);
    EXPECT_FLOAT_EQ(m_doc.Current()->m_angle, 180.0f);
    m_doc.SetAngle(-725.0f, kKindAngleDragged, false);
    EXPECT_FLOAT_EQ(m_doc.Current()->m_angle, -5.0f);
    EXPECT_EQ(m_view.hints, (std::vector<int>{kHintRefreshAll, kHintKeepAngleText}));
    // Two scroll-bar moves are one entry after the step-2 entry.
    EXPECT_EQ(m_doc.History().Size(), 3);
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(DocumentTest, LoadingGivesAnUnmodifiedStepOneState) {
    OpenPhoto();
    ASSERT_NE(m_doc.Current(), nullptr);
    EXPECT_EQ(m_doc.Current()->m_step, 1);
    EXPECT_EQ(m_doc.Current()->m_kind, kKindWholeImage);
    EXPECT_EQ(m_doc.Current()->m_image->Width(), 40);
    EXPECT_FLOAT_EQ(m_doc.Current()->m_zoom, 100.0f);
    EXPECT_EQ(m_doc.History().Size(), 0);
    EXPECT_EQ(m_doc.History().Index(), -1);
    EXPECT_EQ(m_doc.History().SavedIndex(), -1);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetTitle(), "photo.png");
    EXPECT_EQ(m_doc.GetPathName(), m_photo);
    EXPECT_EQ(m_view.initialUpdates, 1);
    EXPECT_EQ(m_recent.Paths(), QStringList{m_photo});
}

TEST_F(DocumentTest, StepTwoStartsAFreshHistoryAndUndoReturnsUnmodified) {
    OpenPhoto();
    m_doc.OnToStep2();
    EXPECT_EQ(m_doc.Current()->m_step, 2);
    EXPECT_EQ(m_doc.History().Size(), 2);
    EXPECT_EQ(m_doc.History().At(0).m_step, 1);
    EXPECT_EQ(m_doc.History().At(0).m_kind, kKindStep1Snapshot);
    EXPECT_EQ(m_doc.History().At(1).m_kind, kKindStep2Entered);
    EXPECT_EQ(m_doc.History().SavedIndex(), 0);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_FLOAT_EQ(m_doc.m_sourceDpiX, m_doc.Current()->m_image->DpiX());

    m_doc.Undo();
    EXPECT_EQ(m_doc.Current()->m_step, 1);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_view.hints.back(), kHintRestore);
    m_doc.Redo();
    EXPECT_EQ(m_doc.Current()->m_step, 2);
    EXPECT_TRUE(m_doc.IsModified());
}

// One history case: edits after the step-2 entry, then what the history must say.
struct HistoryCase {
    const char* name;
    std::function<void(CTavloDoc&)> steps;
    int size, index;
    bool modified, canUndo, canRedo;
    float angle;
};

class HistoryTableTest : public DocumentTest, public ::testing::WithParamInterface<HistoryCase> {};

TEST_P(HistoryTableTest, FollowsTheEdits) {
    const HistoryCase& c = GetParam();
    OpenPhoto();
    m_doc.OnToStep2();
    c.steps(m_doc);
    EXPECT_EQ(m_doc.History().Size(), c.size);
    EXPECT_EQ(m_doc.History().Index(), c.index);
    EXPECT_EQ(m_doc.IsModified(), c.modified);
    EXPECT_EQ(m_doc.CanUndo(), c.canUndo);
    EXPECT_EQ(m_doc.CanRedo(), c.canRedo);
    EXPECT_FLOAT_EQ(m_doc.Current()->m_angle, c.angle);
    // The current state is always a copy, never a stored entry.
    for (int i = 0; i < m_doc.History().Size(); ++i)
        EXPECT_NE(&m_doc.History().At(i), m_doc.Current());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryTableTest,
    ::testing::Values(
        HistoryCase{"TypingIsOneStep",
                    [](CTavloDoc& d) {
                        Edit(d, kKindAngleTyped, 1), Edit(d, kKindAngleTyped, 12),
                            Edit(d, kKindAngleTyped, 12.5f);
                    },
                    3, 2, true, true, false, 12.5f},
        HistoryCase{"UndoOfTypingReturnsToTheAngleBefore",
                    [](CTavloDoc& d) {
                        Edit(d, kKindAngleTyped, 1), Edit(d, kKindAngleTyped, 12),
                            Edit(d, kKindAngleTyped, 12.5f), d.Undo();
                    },
                    3, 1, true, true, true, 0.0f},
        HistoryCase{"ScrollFlipScrollIsThreeSteps",
                    [](CTavloDoc& d) {
                        Edit(d, kKindAngleDragged, 0.05f), Edit(d, kKindAngleDragged, 0.1f),
                            Edit(d, kKindFlip, -0.1f), Edit(d, kKindAngleDragged, -0.15f),
                            Edit(d, kKindAngleDragged, -0.2f);
                    },
                    5, 4, true, true, false, -0.2f},
        HistoryCase{"ResultSizeTypingCoalesces",
                    [](CTavloDoc& d) {
                        Edit(d, kKindResultSizeTyped, 0), Edit(d, kKindResultSizeTyped, 0);
                    },
                    3, 2, true, true, false, 0.0f},
        HistoryCase{"DifferentCoalescingKindsStaySeparate",
                    [](CTavloDoc& d) {
                        Edit(d, kKindAngleTyped, 3), Edit(d, kKindAngleDragged, 4),
                            Edit(d, kKindAngleTyped, 5);
                    },
                    5, 4, true, true, false, 5.0f},
        HistoryCase{"OtherKindsNeverCoalesce",
                    [](CTavloDoc& d) {
                        for (int kind : {1, 1, 3, 3, 4, 4, 7, 7, 9, 9}) Edit(d, kind, float(kind));
                    },
                    12, 11, true, true, false, 9.0f},
        HistoryCase{"NewEditDropsTheRedoBranch",
                    [](CTavloDoc& d) {
                        Edit(d, kKindFlip, 1), Edit(d, kKindFlip, 2), d.Undo(), d.Undo(),
                            Edit(d, kKindAngleListEntry, 90);
                    },
                    3, 2, true, true, false, 90.0f},
        HistoryCase{
            "UndoToEntryZeroIsUnmodified",
            [](CTavloDoc& d) { Edit(d, kKindFlip, 1), d.Undo(), d.Undo(), d.Undo(), d.Undo(); }, 3,
            0, false, false, true, 0.0f},
        HistoryCase{"RedoAfterUndoToEntryZeroIsModified", [](CTavloDoc& d) { d.Undo(), d.Redo(); },
                    2, 1, true, true, false, 0.0f},
        HistoryCase{"UndoAfterSaveIsModified",
                    [](CTavloDoc& d) { Edit(d, kKindFlip, 7), d.MarkSaved(), d.Undo(); }, 3, 1,
                    true, true, true, 0.0f},
        HistoryCase{"RedoBackToTheSavedPositionIsUnmodified",
                    [](CTavloDoc& d) { Edit(d, kKindFlip, 7), d.MarkSaved(), d.Undo(), d.Redo(); },
                    3, 2, false, true, false, 7.0f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, EveryRecordAndEveryUndoAsksTheViewForItsState) {
    OpenPhoto();
    m_view.zoom = 50.0f;
    m_doc.OnToStep2();
    EXPECT_FLOAT_EQ(m_doc.History().At(1).m_zoom, 50.0f);

    m_view.zoom = 25.0f;
    m_view.frameLeft = -12.5f;
    Edit(kKindTrimFrame, 0);
    EXPECT_FLOAT_EQ(m_doc.History().At(2).m_zoom, 25.0f);
    EXPECT_FLOAT_EQ(m_doc.History().At(2).m_trimLeft, -12.5f);

    // Zoomed in again before undo: the entry being left remembers it for redo.
    m_view.zoom = 400.0f;
    m_doc.Undo();
    EXPECT_FLOAT_EQ(m_doc.Current()->m_zoom, 50.0f);
    EXPECT_FLOAT_EQ(m_doc.History().At(2).m_zoom, 400.0f);
    m_doc.Redo();
    EXPECT_FLOAT_EQ(m_doc.Current()->m_zoom, 400.0f);
}

TEST_F(DocumentTest, HistoryEntriesShareTheImageInsteadOfCopyingIt) {
    OpenPhoto();
    const CBitmapHolder* image = m_doc.Current()->m_image.get();
    m_doc.OnToStep2();
    for (int i = 0; i < 20; ++i) Edit(kKindFlip, float(i));
    for (int i = 0; i < m_doc.History().Size(); ++i)
        EXPECT_EQ(m_doc.History().At(i).m_image.get(), image);
    EXPECT_EQ(m_doc.Current()->m_image.get(), image);
}

TEST_F(DocumentTest, SaveModifiedAsksTheRightQuestion) {
    OpenPhoto();
    {
        ScriptedMessageBoxes boxes;  // unmodified: no question
        EXPECT_TRUE(m_doc.SaveModified());
        EXPECT_TRUE(boxes.Shown().empty());
    }
    m_doc.OnToStep2();
    for (int answer : {IDOK, IDCANCEL}) {
        ScriptedMessageBoxes boxes{answer};
        EXPECT_EQ(m_doc.SaveModified(), answer == IDOK);
        ASSERT_EQ(boxes.Texts(), QStringList{"編集中のデータを捨てます。"});
        EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::OkCancel);
    }

    m_doc.Current()->m_step = 4;
    struct Case {
        int answer;
        bool result;
        int saves;
    };
    m_saver.succeed = false;
    for (const Case& c : {Case{IDYES, false, 1}, Case{IDNO, true, 0}, Case{IDCANCEL, false, 0}}) {
        m_saver.calls = 0;
        ScriptedMessageBoxes boxes{c.answer};
        EXPECT_EQ(m_doc.SaveModified(), c.result) << c.answer;
        EXPECT_EQ(m_saver.calls, c.saves);
        ASSERT_EQ(boxes.Texts(), QStringList{"photo.pngへの変更をファイルに保存しますか？"});
        EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::YesNoCancel);
    }
    // After a save nothing is asked any more.
    m_doc.MarkSaved();
    ScriptedMessageBoxes boxes;
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DocumentTest, AFileThatCannotBeLoadedLeavesTheDocumentUntouched) {
    OpenPhoto();
    m_doc.OnToStep2();
    Edit(kKindFlip, 3);
    const CUndoItem* before = m_doc.Current();
    const QString bad = Fixtures::WriteFile(m_folder.path(), "notes.jpg", "just text\n");
    ScriptedMessageBoxes boxes{IDOK};  // agree to discard the edits, then the failure
    EXPECT_FALSE(m_doc.OpenDocumentFile(bad));
    EXPECT_EQ(boxes.Texts(),
              (QStringList{"編集中のデータを捨てます。", "ファイルをロードできません。"}));
    EXPECT_EQ(m_doc.Current(), before);
    EXPECT_EQ(m_doc.History().Size(), 3);
    EXPECT_EQ(m_doc.GetPathName(), m_photo);
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(DocumentTest, OpeningAFifoFailsAtOnceInsteadOfWaitingForAWriter) {
    OpenPhoto();
    const QString fifo = m_folder.path() + "/fifo.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Should an open block, after a while a writer comes by now and then and
    // lets it go, so that the test fails instead of hanging.
    std::atomic<bool> opened{false}, released{false};
    std::thread rescue([&] {
        for (int i = 0; !opened; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (i < 100) continue;
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) released = true, ::close(fd);
        }
    });
    ScriptedMessageBoxes boxes;
    EXPECT_FALSE(m_doc.OpenDocumentFile(fifo));
    opened = true;
    rescue.join();
    EXPECT_FALSE(released) << "opening the FIFO waited for a writer";
    EXPECT_EQ(boxes.Texts(), QStringList{"ファイルをロードできません。"});
    EXPECT_EQ(m_doc.GetPathName(), m_photo);
}

TEST_F(DocumentTest, CancellingTheQuestionKeepsTheDocumentWhenOpening) {
    OpenPhoto();
    m_doc.OnToStep2();
    ScriptedMessageBoxes boxes{IDCANCEL};
    EXPECT_FALSE(m_doc.OpenDocumentFile(m_photo));
    EXPECT_EQ(m_doc.Current()->m_step, 2);
}

TEST_F(DocumentTest, SetNewImageStartsAnUntitledStepOneDocument) {
    OpenPhoto();
    m_doc.OnToStep2();
    const HolderPtr pasted = MakeHolder({Fixtures::Quadrants(8, 6), 96, 96});
    {
        ScriptedMessageBoxes boxes{IDCANCEL};
        EXPECT_FALSE(m_doc.SetNewImage(pasted));
        EXPECT_EQ(m_doc.Current()->m_step, 2);
    }
    const int updatesBefore = m_view.initialUpdates;
    ScriptedMessageBoxes boxes{IDOK};
    EXPECT_TRUE(m_doc.SetNewImage(pasted));
    EXPECT_EQ(m_doc.Current()->m_step, 1);
    EXPECT_EQ(m_doc.Current()->m_image, pasted);
    EXPECT_EQ(m_doc.GetTitle(), "無題");
    EXPECT_TRUE(m_doc.GetPathName().isEmpty());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.History().Size(), 0);
    EXPECT_EQ(m_view.initialUpdates, updatesBefore + 1);
}

TEST_F(DocumentTest, NewDocumentEmptiesEverything) {
    OpenPhoto();
    m_doc.OnToStep2();
    ScriptedMessageBoxes boxes{IDOK};
    EXPECT_TRUE(m_doc.NewDocument());
    EXPECT_EQ(m_doc.Current(), nullptr);
    EXPECT_EQ(m_doc.GetTitle(), "無題");
    EXPECT_EQ(m_doc.History().Index(), -1);
    EXPECT_EQ(m_doc.History().SavedIndex(), -1);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_FLOAT_EQ(m_doc.m_sourceDpiX, 0.0f);
    EXPECT_FALSE(m_doc.CanUndo());
}

TEST_F(DocumentTest, OpenRecentAndStepTwoFollowTheirEnableRules) {
    auto enabled = [&](int id) {
        CommandState state;
        state.enabled = false;
        EXPECT_TRUE(m_doc.OnUpdateCommand(id, state)) << id;
        return state.enabled;
    };
    EXPECT_TRUE(enabled(ID_FILE_OPEN));
    EXPECT_TRUE(enabled(ID_FILE_MRU_FIRST));
    EXPECT_FALSE(enabled(ID_TO_STEP2));
    OpenPhoto();
    EXPECT_TRUE(enabled(ID_FILE_OPEN));
    EXPECT_TRUE(enabled(ID_FILE_MRU_LAST));
    EXPECT_TRUE(enabled(ID_TO_STEP2));
    EXPECT_TRUE(m_doc.OnCommand(ID_TO_STEP2));
    EXPECT_EQ(m_doc.CurrentStep(), 2);
    EXPECT_FALSE(enabled(ID_FILE_OPEN));
    EXPECT_FALSE(enabled(ID_FILE_MRU_FIRST + 3));
    m_doc.Current()->m_step = 3;
    EXPECT_FALSE(enabled(ID_FILE_OPEN));
}
}  // namespace

namespace {
// The display copy made ahead on a worker is the one GetDisplayBitmap would
// build, and is never used for an image or flips other than its own.
TEST_F(DocumentTest, DisplayCopyMadeAheadIsTheSameAndOnlyForItsOwnImage) {
    const QImage pixels = Fixtures::Quadrants(9, 7);
    ASSERT_TRUE(m_doc.SetNewImage(MakeHolder({pixels, 96, 96})));
    m_doc.PrepareDisplayBitmap();
    m_doc.PrepareDisplayBitmap();  // a second call starts nothing new
    const CBitmapHolder* ahead = m_doc.GetDisplayBitmap();
    ASSERT_TRUE(ahead);
    ASSERT_EQ(ahead->Image().size(), QSize(11, 9));
    EXPECT_EQ(ahead->Image().pixel(0, 0), 0u);  // the transparent border
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(ahead->Image().pixel(x + 1, y + 1), pixels.pixel(x, y));

    // Made ahead for unmirrored pixels, then the image is mirrored before it is
    // asked for: the copy shows the mirrored image.
    ASSERT_TRUE(m_doc.SetNewImage(MakeHolder({pixels, 96, 96})));
    m_doc.PrepareDisplayBitmap();
    m_doc.Current()->m_flipX = 1;
    const CBitmapHolder* mirrored = m_doc.GetDisplayBitmap();
    ASSERT_TRUE(mirrored);
    EXPECT_EQ(mirrored->Image().pixel(1, 1), pixels.pixel(8, 0));
    EXPECT_EQ(mirrored->Image().pixel(9, 7), pixels.pixel(0, 6));
}
// When the system has no thread to give, nothing is made ahead and the copy is
// made when it is asked for.
TEST_F(DocumentTest, WithoutAThreadToSpareTheDisplayCopyIsMadeWhenAskedFor) {
    const QImage pixels = Fixtures::Quadrants(9, 7);
    ASSERT_TRUE(m_doc.SetNewImage(MakeHolder({pixels, 96, 96})));
    {
        const NoThreadToSpare limit;
        ASSERT_TRUE(limit.Active());
        m_doc.PrepareDisplayBitmap();
    }
    const CBitmapHolder* copy = m_doc.GetDisplayBitmap();
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->Image().size(), QSize(11, 9));
    EXPECT_EQ(copy->Image().pixel(1, 1), pixels.pixel(0, 0));
    EXPECT_EQ(copy->Image().pixel(9, 7), pixels.pixel(8, 6));
}
}  // namespace
