// tavlo-cli info IMAGE [--use-wic 0|1|2]: loads the image as the editor does and
// prints its size after orientation, its resolution, whether it has any
// transparent pixel and the description of the colour profile it carries
// (null without one).

#include <QTextStream>
#include <cstdio>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliSupport.h"
#include "JsonLine.h"
#include "app/CTavloApp.h"
#include "document/ImageLoader.h"
#include "output/Transparency.h"
#include "platform/imaging/IccDescription.h"
#include "resources/Strings.h"

int RunInfoCommand(CTavloApp& app, const QStringList& arguments) {
    const CliArguments::Spec spec{{QStringLiteral("--use-wic")}, {}};
    QString error;
    const auto parsed = CliArguments::Parse(arguments, spec, &error);
    if (!parsed || parsed->Positional().size() != 1)
        return UsageError(error.isEmpty() ? QStringLiteral("info takes one image path") : error);
    if (!ApplyUseWicOption(app, *parsed)) return UsageError(QStringLiteral("bad --use-wic value"));

    const QString path = parsed->Positional().front();
    const HolderPtr image = LoadImageFromFile(path, app.Imaging());
    if (!image) return WorkFailed(Strings::CannotLoadFile());

    const QByteArray& icc = image->Metadata().icc;
    const std::optional<QString> profile =
        icc.isEmpty() ? std::nullopt : std::optional<QString>(IccProfileDescription(icc));
    PrintLine(JsonLine()
                  .Add("width", (long long)image->Width())
                  .Add("height", (long long)image->Height())
                  .Add("dpi_x", double(image->DpiX()))
                  .Add("dpi_y", double(image->DpiY()))
                  .Add("has_transparency", HasTransparency(image->Image()))
                  .Add("icc", profile)
                  .Text());
    return 0;
}
