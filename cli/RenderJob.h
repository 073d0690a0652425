#pragma once

#include <QString>
#include <initializer_list>
#include <memory>
#include <optional>

#include "CliArguments.h"
#include "document/CBitmapHolder.h"
#include "document/ImageLoader.h"

class CTavloApp;
class CTavloDoc;

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

// The options that describe an edit and the settings it is saved with, taken
// by render, autosave and batch alike.
inline const char* const kEditValueOptions[] = {"--angle",       "--frame",  "--scale",
                                                "--result",      "--margin", "--use-wic",
                                                "--save-folder", "--sub",    "--folder"};
inline const char* const kEditFlagOptions[] = {"--flip-x", "--flip-y"};

// The edit options and the given options that take a value ("-o", "--like").
CliArguments::Spec EditOptionsSpec(std::initializer_list<const char*> moreValueOptions);

// Applies the options that override stored settings (use-wic, margin, folder
// modes). Returns 2 for a bad value (the usage text has been printed), else 0.
int ApplySettingOptions(CTavloApp& app, const CliArguments& arguments);

// "--angle auto": each image is turned by its own measured skew.
bool AutoAngle(const CliArguments& arguments);
// The angle that turns the image upright, mirrored as the options ask; none
// when the image has nothing to measure.
std::optional<float> MeasuredAngle(const CliArguments& arguments, const CBitmapHolder& image);
// For a batch with "--angle auto": turns the document's state by the image's
// own measured angle, places the default frame for it (unless --frame fixes
// one), works out the result size again and freezes the state as the output
// parameters. False when the image has nothing to measure or the result size
// fails its check.
bool ApplyOwnAngle(const CliArguments& arguments, CTavloDoc& document, const HolderPtr& image);

// Loads the image into a new document, builds and checks the state the edit
// options describe, and freezes it as "ステップ4へ >>" does, without rendering.
// Returns 0 with document, source, inputPath, width and height filled, 1 when
// the image cannot be loaded, has nothing to measure for "--angle auto" or
// the size check fails (message on standard
// error), 2 for bad option values.
//
// With SourceDecoding::WhileUsed the image's rows may still be arriving when
// this returns; a source found damaged before it returns gives
// kSourceFailedWhileUsed, without a message: the job is to be done again with
// the whole image decoded first, which reports the file as loading always has.
inline constexpr int kSourceFailedWhileUsed = -1;
int PrepareEditedDocument(CTavloApp& app, const CliArguments& arguments, const QString& imagePath,
                          RenderJob* job, SourceDecoding decoding = SourceDecoding::Whole);

// PrepareEditedDocument for the one positional image, then the rendering that
// saving starts from (result and transparent). Returns as it does; 1 also when
// rendering fails. Without transparencyMatters (a file whose format is fixed
// and carries no alpha: JPEG, BMP, HEIF) nothing is rendered here, since the
// writer renders the opaque file itself.
int PrepareRenderJob(CTavloApp& app, const CliArguments& arguments, RenderJob* job,
                     bool transparencyMatters = true,
                     SourceDecoding decoding = SourceDecoding::Whole);
