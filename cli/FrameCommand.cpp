// tavlo-cli frame --size WxH --angle A: the default trim frame of an image of
// that size turned by that angle, and its trimmed size.

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliSupport.h"
#include "JsonLine.h"
#include "document/AngleNormalization.h"
#include "document/FrameGeometry.h"

int RunFrameCommand(const QStringList& arguments) {
    const CliArguments::Spec spec{{"--size", "--angle"}, {}};
    QString error;
    const auto parsed = CliArguments::Parse(arguments, spec, &error);
    if (!parsed) return UsageError(error);
    if (!parsed->Positional().isEmpty()) return UsageError("frame takes no image");
    int width = 0, height = 0;
    float angle = 0.0f;
    if (!ParseSize(parsed->Value("--size"), &width, &height) || width < 1 || height < 1)
        return UsageError("--size needs WxH with positive numbers");
    if (parsed->Has("--angle") && !ParseFloat(parsed->Value("--angle"), &angle))
        return UsageError("--angle needs a number");
    angle = NormalizeAngle(angle);

    const FrameRect frame = DefaultTrimFrame(width, height, angle);
    const TrimSize trim = ComputeTrimSize(frame, width, height, angle);
    PrintLine(JsonLine()
                  .Add("left", double(frame.left))
                  .Add("top", double(frame.top))
                  .Add("right", double(frame.right))
                  .Add("bottom", double(frame.bottom))
                  .Add("trim_width", (long long)trim.width)
                  .Add("trim_height", (long long)trim.height)
                  .Text());
    return 0;
}
