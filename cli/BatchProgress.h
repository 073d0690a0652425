#pragma once

#include <QElapsedTimer>
#include <cstddef>

class BatchRun;

// What tavlo-cli batch prints while its run goes on: on standard output one
// line per file as it finishes, "<status text>\t<input path>\t<output path>"
// (the output path empty when none was computed); on standard error, when
// that is a terminal, one progress line rewritten in place (files done of the
// total, files per second, the file in hand). Called on the worker thread.
class BatchProgress {
public:
    BatchProgress(const BatchRun& run, bool showProgress);

    void OnItemStarted(std::size_t index);
    void OnItemFinished(std::size_t index);
    // Clears the progress line.
    void OnRunFinished();

private:
    void DrawProgress(std::size_t inHand);
    void ClearProgress();

    const BatchRun& m_run;
    const bool m_showProgress;
    QElapsedTimer m_clock;
    int m_done = 0;
    bool m_progressShown = false;
};
