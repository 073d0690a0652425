// tavlo-cli deskew IMAGE [--use-wic 0|1|2]: loads the image as the editor does
// and prints the angle that turns it upright and how sure that is.

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliSupport.h"
#include "JsonLine.h"
#include "app/CTavloApp.h"
#include "deskew/SkewDetector.h"
#include "document/AngleNormalization.h"
#include "document/ImageLoader.h"
#include "resources/Strings.h"

int RunDeskewCommand(CTavloApp& app, const QStringList& arguments) {
    const CliArguments::Spec spec{{QStringLiteral("--use-wic")}, {}};
    QString error;
    const auto parsed = CliArguments::Parse(arguments, spec, &error);
    if (!parsed || parsed->Positional().size() != 1)
        return UsageError(error.isEmpty() ? QStringLiteral("deskew takes one image path") : error);
    if (!ApplyUseWicOption(app, *parsed)) return UsageError(QStringLiteral("bad --use-wic value"));

    const HolderPtr image = LoadImageFromFile(parsed->Positional().front(), app.Imaging());
    if (!image) return WorkFailed(Strings::CannotLoadFile());
    const SkewEstimate estimate = DetectSkew(image->Image());
    PrintLine(JsonLine()
                  .Add("angle", double(NormalizeAngle(estimate.correction)))
                  .Add("confidence", double(estimate.confidence))
                  .Text());
    return 0;
}
