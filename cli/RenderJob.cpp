#include "RenderJob.h"

#include <QFileInfo>
#include <cmath>

#include "CliArguments.h"
#include "CliSupport.h"
#include "app/CTavloApp.h"
#include "deskew/SkewDetector.h"
#include "document/AngleNormalization.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "output/SaveableResult.h"
#include "resources/Strings.h"

CliArguments::Spec EditOptionsSpec(std::initializer_list<const char*> moreValueOptions) {
    CliArguments::Spec spec;
    for (const char* option : kEditValueOptions) spec.valueOptions.insert(option);
    for (const char* option : moreValueOptions) spec.valueOptions.insert(option);
    for (const char* option : kEditFlagOptions) spec.flagOptions.insert(option);
    return spec;
}

int ApplySettingOptions(CTavloApp& app, const CliArguments& arguments) {
    if (!ApplyUseWicOption(app, arguments)) return UsageError("bad --use-wic value");
    AppSettings& settings = app.settings;
    if (arguments.Has("--margin")) {
        int rgba[4];
        if (!ParseIntList(arguments.Value("--margin"), rgba, 4))
            return UsageError("--margin needs R,G,B,A");
        settings.CardBoard_R = rgba[0], settings.CardBoard_G = rgba[1];
        settings.CardBoard_B = rgba[2], settings.CardBoard_A = rgba[3];
    }
    if (arguments.Has("--save-folder")) {
        int mode = 0;
        if (!ParseInt(arguments.Value("--save-folder"), &mode) || mode < 0 || mode > 2)
            return UsageError("--save-folder needs 0, 1 or 2");
        settings.SaveFolder = mode;
    }
    if (arguments.Has("--sub")) settings.SaveFolderSub = arguments.Value("--sub");
    if (arguments.Has("--folder")) settings.SaveFolderSpecified = arguments.Value("--folder");
    return 0;
}

namespace {
// Frame, factors and result size into the state, as step 3 leaves them.
int BuildStepThreeState(const CliArguments& arguments, CUndoItem* state) {
    const int w = state->m_image->Width(), h = state->m_image->Height();
    FrameRect frame = DefaultTrimFrame(w, h, state->m_angle);
    if (arguments.Has("--frame")) {
        float edges[4];
        if (!ParseFloatList(arguments.Value("--frame"), edges, 4))
            return UsageError("--frame needs L,T,R,B");
        frame = FrameRect{edges[0], edges[1], edges[2], edges[3]};
        if (frame.left > frame.right || frame.top > frame.bottom)
            return UsageError("--frame needs L <= R and T <= B");
    }
    const TrimSize trim = ComputeTrimSize(frame, *state);
    double scaleX = 1.0, scaleY = 1.0;
    int resultWidth = 0, resultHeight = 0;
    if (arguments.Has("--scale") && arguments.Has("--result"))
        return UsageError("give --scale or --result, not both");
    if (arguments.Has("--result")) {
        if (!ParseSize(arguments.Value("--result"), &resultWidth, &resultHeight))
            return UsageError("--result needs WxH");
        scaleX = FactorForTypedSize(resultWidth, trim.width);
        scaleY = FactorForTypedSize(resultHeight, trim.height);
    } else {
        if (arguments.Has("--scale") && !ParseDouble(arguments.Value("--scale"), &scaleX))
            return UsageError("--scale needs a number");
        scaleY = scaleX;
        resultWidth = ResultFromFactor(trim.width, scaleX);
        resultHeight = ResultFromFactor(trim.height, scaleY);
    }
    state->m_step = 3;
    state->m_trimLeft = frame.left, state->m_trimTop = frame.top;
    state->m_trimRight = frame.right, state->m_trimBottom = frame.bottom;
    state->m_imageWidth = w, state->m_imageHeight = h;
    state->m_trimWidth = trim.width, state->m_trimHeight = trim.height;
    state->m_scaleX = scaleX, state->m_scaleY = scaleY;
    state->m_resultWidth = resultWidth, state->m_resultHeight = resultHeight;
    return 0;
}
}  // namespace

bool AutoAngle(const CliArguments& arguments) {
    return arguments.Value("--angle").trimmed() == QLatin1String("auto");
}

std::optional<float> MeasuredAngle(const CliArguments& arguments, const CBitmapHolder& image) {
    // The image as it is displayed before turning: mirrored as the options ask.
    const SkewEstimate estimate =
        DetectSkew(image.Image(), {arguments.Has("--flip-x"), arguments.Has("--flip-y"), 0.0f});
    if (!estimate.Found()) return std::nullopt;
    return NormalizeAngle(estimate.correction);
}

bool ApplyOwnAngle(const CliArguments& arguments, CTavloDoc& document, const HolderPtr& image) {
    CUndoItem* state = document.Current();
    const std::optional<float> angle = MeasuredAngle(arguments, *image);
    if (!state || !angle) return false;
    // The edited image has this file's size (the batch checked it), so the
    // frame and sizes worked out on it are this file's.
    state->m_angle = *angle;
    if (BuildStepThreeState(arguments, state) != 0) return false;
    if (CheckResultSize(state->m_resultWidth, state->m_resultHeight, state->m_scaleX,
                        state->m_scaleY, state->m_trimWidth,
                        state->m_trimHeight) != ResultSizeCheck::Ok)
        return false;
    document.FreezeOutputParams();
    return true;
}

int PrepareEditedDocument(CTavloApp& app, const CliArguments& arguments, const QString& imagePath,
                          RenderJob* job, SourceDecoding decoding) {
    float angle = 0.0f;
    const bool autoAngle = AutoAngle(arguments);
    if (arguments.Has("--angle") && !autoAngle && !ParseFloat(arguments.Value("--angle"), &angle))
        return UsageError("--angle needs a number or auto");

    job->inputPath = imagePath;
    job->document = std::make_unique<CTavloDoc>(app);
    CTavloDoc& doc = *job->document;
    doc.OnNewDocument();
    // Loading reports its own failure ("ファイルをロードできません。").
    if (!doc.OnOpenDocument(job->inputPath, decoding)) return 1;
    doc.SetPathName(job->inputPath, false);
    doc.OnToStep2();  // takes the source resolution, as the editor does

    CUndoItem* state = doc.Current();
    job->source = state->m_image;
    if (autoAngle) {
        // Measuring looks at the whole image.
        if (!state->m_image->WaitUntilComplete()) return kSourceFailedWhileUsed;
        const std::optional<float> measured = MeasuredAngle(arguments, *state->m_image);
        if (!measured) return WorkFailed(Strings::SkewNotFound());
        angle = *measured;
    }
    state->m_angle = NormalizeAngle(angle);
    state->m_flipX = arguments.Has("--flip-x") ? 1 : 0;
    state->m_flipY = arguments.Has("--flip-y") ? 1 : 0;
    if (const int usage = BuildStepThreeState(arguments, state)) return usage;

    switch (CheckResultSize(state->m_resultWidth, state->m_resultHeight, state->m_scaleX,
                            state->m_scaleY, state->m_trimWidth, state->m_trimHeight)) {
        case ResultSizeCheck::Impossible:
            return WorkFailed(Strings::SizeImpossible());
        case ResultSizeCheck::SmallerThanTrimmed:
            return WorkFailed(Strings::SmallerThanTrimmed());
        case ResultSizeCheck::Ok:
            break;
    }
    doc.FreezeOutputParams();
    job->width = state->m_resultWidth;
    job->height = state->m_resultHeight;
    return 0;
}

int PrepareRenderJob(CTavloApp& app, const CliArguments& arguments, RenderJob* job,
                     bool transparencyMatters, SourceDecoding decoding) {
    if (const int failed =
            PrepareEditedDocument(app, arguments, arguments.Positional().front(), job, decoding))
        return failed;
    if (!transparencyMatters) return 0;
    const std::optional<SaveableResult> rendered =
        RenderResultForSaving(*job->document, job->source);
    if (!rendered) {
        if (!job->source->WaitUntilComplete()) return kSourceFailedWhileUsed;
        return WorkFailed(Strings::SizeImpossible());
    }
    job->result = rendered->result;
    job->transparent = rendered->transparent;
    return 0;
}
