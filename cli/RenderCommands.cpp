// tavlo-cli render IMAGE -o OUT [options] and tavlo-cli autosave IMAGE
// [options]: the editor's step 4 and its two ways of saving, without a window.

#include <QDir>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliSupport.h"
#include "JsonLine.h"
#include "RenderJob.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "output/OutputFormat.h"
#include "output/SaveWithAutoName.h"
#include "output/WriteImageFile.h"
#include "resources/Strings.h"

namespace {
std::optional<CliArguments> ParseRenderArguments(const QStringList& arguments, int* status) {
    QString error;
    auto parsed = CliArguments::Parse(arguments, EditOptionsSpec({"-o"}), &error);
    if (!parsed) {
        *status = UsageError(error);
        return std::nullopt;
    }
    if (parsed->Positional().size() != 1) {
        *status = UsageError("give exactly one image");
        return std::nullopt;
    }
    return parsed;
}

// Prepares the job with the source decoded while the rendering already runs,
// and writes it. A source that turns out to be damaged only part way through
// has left no file behind (the result is committed only once the whole source
// has arrived); the job is then done again with the image decoded first, so
// that a damaged file is reported exactly as loading it always reports it, and
// a file that the other component can read is still rendered.
// write(job) gives 0 or reports its own failure and gives its status.
template <typename Write>
int RenderWithSourceArriving(CTavloApp& app, const CliArguments& arguments,
                             bool transparencyMatters, Write write) {
    for (const SourceDecoding decoding : {SourceDecoding::WhileUsed, SourceDecoding::Whole}) {
        RenderJob job;
        const int failed = PrepareRenderJob(app, arguments, &job, transparencyMatters, decoding);
        if (failed == kSourceFailedWhileUsed) continue;
        if (failed) return failed;
        const bool last = decoding == SourceDecoding::Whole;
        const int status = write(job, last);
        if (status != kSourceFailedWhileUsed) return status;
    }
    return 1;  // not reached: the whole decoding never gives kSourceFailedWhileUsed
}
}  // namespace

int RunRenderCommand(CTavloApp& app, const QStringList& arguments) {
    int status = 0;
    const auto parsed = ParseRenderArguments(arguments, &status);
    if (!parsed) return status;
    if (!parsed->Has("-o") || parsed->Value("-o").isEmpty())
        return UsageError("render needs -o OUT");
    if (const int usage = ApplySettingOptions(app, *parsed)) return usage;
    // Save-as semantics: the file named is replaced once the new one is complete.
    const QString out = parsed->Value("-o");
    // Only a PNG keeps transparency; any other file is an opaque rendering made
    // while it is written, so there is nothing to render beforehand.
    const bool png = OutputFormatForPath(out, app.Imaging().HeifAvailable) == OutputFormat::Png;
    return RenderWithSourceArriving(app, *parsed, png, [&](RenderJob& job, bool last) {
        // The job ends with the file: the source's rows can go as they are done
        // with. (Not for autosave, which may write again under another name.)
        if (!WriteImageFile(*job.document, job.result, job.transparent, job.source, out,
                            FilePublish::Replace, SourceAfterWriting::Dropped)) {
            if (!last && !job.source->WaitUntilComplete()) return kSourceFailedWhileUsed;
            return WorkFailed(Strings::CannotWriteFile() + QLatin1Char('\n') + out);
        }
        PrintLine(JsonLine()
                      .Add("width", (long long)job.width)
                      .Add("height", (long long)job.height)
                      .Text());
        return 0;
    });
}

int RunAutosaveCommand(CTavloApp& app, const QStringList& arguments) {
    int status = 0;
    const auto parsed = ParseRenderArguments(arguments, &status);
    if (!parsed) return status;
    if (parsed->Has("-o")) return UsageError("autosave chooses its own name; -o is for render");
    if (const int usage = ApplySettingOptions(app, *parsed)) return usage;
    return RenderWithSourceArriving(app, *parsed, true, [&](RenderJob& job, bool last) {
        QString written;
        if (!SaveWithAutoName(*job.document, job.result, job.transparent, job.source, job.inputPath,
                              &written)) {
            if (!last && !job.source->WaitUntilComplete()) return kSourceFailedWhileUsed;
            return WorkFailed(Strings::CannotWriteFile() + QLatin1Char('\n') + written);
        }
        PrintLine(QDir::toNativeSeparators(written).toUtf8());
        return 0;
    });
}
