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
    RenderJob job;
    if (const int failed = PrepareRenderJob(app, *parsed, &job, png)) return failed;
    if (!WriteImageFile(*job.document, job.result, job.transparent, job.source, out))
        return WorkFailed(Strings::CannotWriteFile() + QLatin1Char('\n') + out);
    PrintLine(
        JsonLine().Add("width", (long long)job.width).Add("height", (long long)job.height).Text());
    return 0;
}

int RunAutosaveCommand(CTavloApp& app, const QStringList& arguments) {
    int status = 0;
    const auto parsed = ParseRenderArguments(arguments, &status);
    if (!parsed) return status;
    if (parsed->Has("-o")) return UsageError("autosave chooses its own name; -o is for render");
    if (const int usage = ApplySettingOptions(app, *parsed)) return usage;
    RenderJob job;
    if (const int failed = PrepareRenderJob(app, *parsed, &job)) return failed;

    QString written;
    if (!SaveWithAutoName(*job.document, job.result, job.transparent, job.source, job.inputPath,
                          &written))
        return WorkFailed(Strings::CannotWriteFile() + QLatin1Char('\n') + written);
    PrintLine(QDir::toNativeSeparators(written).toUtf8());
    return 0;
}
