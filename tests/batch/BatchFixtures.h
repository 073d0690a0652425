#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "batch/BatchRun.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"

// What the batch tests start from: a document at step 4, edited as the guide
// edits it, and waiting for a worker to end.
namespace BatchFixtures {

struct Edit {
    float angle = 10.0f;
    int flipX = 0;
    // The default frame of the turned image when none is given.
    std::optional<FrameRect> frame;
};

// Loads the reference file, turns and mirrors it, trims it by the frame at
// scale 1 and renders step 4, as "ステップ4へ >>" does.
std::unique_ptr<CTavloDoc> EditedDocument(CTavloApp& app, const QString& referencePath,
                                          const Edit& edit = {});

// An image whose quadrants and fine pattern show any turn, mirror or shift;
// seed varies the pattern, so no two files are alike.
QImage Page(int width, int height, int seed);

// Starts a worker (when none runs) and waits until it has posted its end;
// false when it did not start.
bool RunToEnd(BatchRun& run);

struct ItemState {
    int status;
    QString outputPath;
};
// Every item's status and output path, read under the run's mutex.
std::vector<ItemState> States(const BatchRun& run);

// Blocks the worker when the given item becomes the file in hand until
// Release is called, so a test can act while exactly that file is being
// processed.
class Gate {
public:
    explicit Gate(std::size_t index) : m_index(index) {}
    // The item-started hook.
    void OnItemStarted(std::size_t index);
    // Waits (bounded) until the worker is held; false on time-out.
    bool WaitUntilHeld();
    void Release();

private:
    std::size_t m_index;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

}  // namespace BatchFixtures
