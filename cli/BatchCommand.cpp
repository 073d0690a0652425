// tavlo-cli batch --like REF [edit options] FILE...: the batch run of the
// editor without its dialog. REF is the image that was edited; the same edit
// is applied to every FILE of its size, each saved under its automatic name.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "BatchProgress.h"
#include "CliArguments.h"
#include "CliCommands.h"
#include "CliSupport.h"
#include "RenderJob.h"
#include "batch/BatchRun.h"
#include "document/CTavloDoc.h"
#include "resources/Strings.h"

namespace {
// SIGINT and SIGTERM ask the run to stop after the file in hand, as "中止" does:
// the file being written is finished and published whole, nothing half-made is
// left. The handler only stores an atomic flag.
std::atomic<BatchRun*> g_stopTarget{nullptr};

extern "C" void OnStopSignal(int) {
    if (BatchRun* run = g_stopTarget.load()) run->RequestStop();
}

class StopSignals {
public:
    explicit StopSignals(BatchRun& run) {
        g_stopTarget.store(&run);
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // Interrupted reads and writes carry on; the flag is read between files.
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &m_previousInt);
        sigaction(SIGTERM, &action, &m_previousTerm);
    }
    ~StopSignals() {
        sigaction(SIGINT, &m_previousInt, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
        g_stopTarget.store(nullptr);
    }

private:
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
};
}  // namespace

int RunBatchCommand(CTavloApp& app, const QStringList& arguments) {
    QString error;
    const auto parsed = CliArguments::Parse(arguments, EditOptionsSpec({"--like", "-o"}), &error);
    if (!parsed) return UsageError(error);
    if (parsed->Has("-o")) return UsageError("batch chooses its own names; -o is for render");
    if (!parsed->Has("--like") || parsed->Value("--like").isEmpty())
        return UsageError("batch needs --like REF, the image that was edited");
    if (parsed->Positional().isEmpty()) return UsageError("batch needs the files to process");
    if (const int usage = ApplySettingOptions(app, *parsed)) return usage;
    RenderJob edited;
    if (const int failed = PrepareEditedDocument(app, *parsed, parsed->Value("--like"), &edited))
        return failed;

    BatchRun run(*edited.document, MakeBatchItems(parsed->Positional()));
    // Every page of a stack lies on the glass in its own way: each file is
    // measured on its own, and its frame and size follow its angle. Only the
    // worker touches the document while the run lasts.
    if (AutoAngle(*parsed)) {
        CTavloDoc& document = *edited.document;
        const CliArguments& options = *parsed;
        run.SetItemEdit([&document, &options](const HolderPtr& image) {
            return ApplyOwnAngle(options, document, image);
        });
    }
    BatchProgress progress(run, isatty(STDERR_FILENO) == 1);
    run.SetItemStartedHook([&](std::size_t index) { progress.OnItemStarted(index); });
    run.SetItemFinishedHook([&](std::size_t index) { progress.OnItemFinished(index); });
    {
        StopSignals stopSignals(run);
        run.Start({});
        run.Wait();
    }
    progress.OnRunFinished();

    std::lock_guard<std::mutex> lock(run.Mutex());
    const int total = int(run.Items().size());
    PrintLine(Strings::BatchCounters(run.Succeeded(), run.Failed(),
                                     total - run.Succeeded() - run.Failed())
                  .toUtf8());
    return run.Succeeded() == total ? 0 : 1;
}
