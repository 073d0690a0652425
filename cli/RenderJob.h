#pragma once

#include <QString>
#include <memory>

#include "document/CBitmapHolder.h"

class CTavloApp;
class CTavloDoc;
class CliArguments;

// What tavlo-cli render and autosave share: the document holding the loaded
// image in the state the options describe, frozen as step 4 would freeze it.
struct RenderJob {
    std::unique_ptr<CTavloDoc> document;
    HolderPtr source;
    QString inputPath;
    // The rendered 32-bit result, or none when the result is certainly opaque
    // and need not be rendered in 32 bits at all (writing renders it again in 24
    // bits in any case).
    HolderPtr result;
    bool transparent = false;
    int width = 0;
    int height = 0;
};

// The options both commands take.
inline const char* const kRenderValueOptions[] = {
    "--angle", "--frame", "--scale", "--result", "--margin", "--use-wic",
    "--save-folder", "--sub", "--folder", "-o"};
inline const char* const kRenderFlagOptions[] = {"--flip-x", "--flip-y"};

// Applies the options that override stored settings (use-wic, margin, folder
// modes). Returns 2 for a bad value (the usage text has been printed), else 0.
int ApplySettingOptions(CTavloApp& app, const CliArguments& arguments);

// Loads the image, builds and checks the state and renders as "ステップ4へ >>"
// does. Returns 0 with the job filled, 1 when the image cannot be loaded or
// the size check or rendering fails (message on standard error), 2 for bad
// option values.
int PrepareRenderJob(CTavloApp& app, const CliArguments& arguments, RenderJob* job);
