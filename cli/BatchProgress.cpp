#include "BatchProgress.h"

#include <QDir>
#include <cstdio>

#include "CliSupport.h"
#include "batch/BatchRun.h"

BatchProgress::BatchProgress(const BatchRun& run, bool showProgress)
    : m_run(run), m_showProgress(showProgress) {
    m_clock.start();
}

void BatchProgress::OnItemStarted(std::size_t index) { DrawProgress(index); }

void BatchProgress::OnItemFinished(std::size_t index) {
    int status = 0;
    QString input, output;
    {
        std::lock_guard<std::mutex> lock(m_run.Mutex());
        const CBatchItem& item = *m_run.Items()[index];
        status = item.m_status;
        input = item.m_inputPath;
        output = item.m_outputPath;
    }
    ++m_done;
    ClearProgress();
    PrintLine((BatchStatusText(status) + QLatin1Char('\t') + QDir::toNativeSeparators(input) +
               QLatin1Char('\t') + QDir::toNativeSeparators(output))
                  .toUtf8());
}

void BatchProgress::OnRunFinished() { ClearProgress(); }

void BatchProgress::DrawProgress(std::size_t inHand) {
    if (!m_showProgress) return;
    const double seconds = double(m_clock.elapsed()) / 1000.0;
    const double rate = seconds > 0.0 ? m_done / seconds : 0.0;
    const QString name = BatchFileNameText(m_run.Items()[inHand]->m_inputPath);
    // "\r" and "erase to the end of the line" keep it to one line.
    std::fprintf(stderr, "\r\033[K%d/%zu  %.1f files/s  %s", m_done, m_run.Items().size(), rate,
                 name.toUtf8().constData());
    std::fflush(stderr);
    m_progressShown = true;
}

void BatchProgress::ClearProgress() {
    if (!m_progressShown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_progressShown = false;
}
