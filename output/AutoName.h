#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <functional>

struct AppSettings;

// Deriving the name of an output file from the name of its input file, for
// saving without asking: "photo.jpg" becomes "photo-Oblimo.jpg", then
// "photo-Oblimo2.jpg", and so on, in the folder the save settings choose. Paths
// use "/" as separator.

// Appended to every automatic name; compared exactly as it stands.
inline const QString kAutoNameSuffix = QStringLiteral("-Oblimo");

// Splits a path into its folder (everything up to and including the last "/",
// empty when there is none), its name (the file name without extension) and
// its extension (from the last "." of the file name on, dot included; empty
// when the file name has none). Any out-parameter may be null.
void SplitPath(const QString& path, QString* folder, QString* name, QString* extension);

// Cuts an earlier automatic suffix off a name: at the first position where the
// suffix follows and nothing but digits 0-9 comes after it. "photo-Oblimo",
// "photo-Oblimo2" and "photo-Oblimo17" all give "photo"; "photo-Oblimo2b" and
// "photo-Oblimo-x" stay whole.
QString RemoveAutoNameSuffix(const QString& name);

// Reads the number at the start of a text as C's strtoul does in base 10 with a
// 32-bit unsigned long: leading blanks skipped, an optional sign ("-3" gives
// 2^32 - 3), decimal digits up to the first other character, 0 when there are
// none, 4294967295 when the value does not fit in 32 bits (whatever the sign).
quint32 ReadUnsigned32(QStringView text);

// The extension of an automatic name: ".png" for a transparent result; the
// input's own extension, letter case kept, when it is ".jpg", ".jpeg", ".png",
// ".bmp" or, with a HEIF encoder, ".heic" or ".heif" (ignoring case); ".png"
// for everything else.
QString AutoNameExtension(const QString& inputExtension, bool transparent, bool heifAvailable);

// The folder an automatic name goes into, ending in "/" unless it is the
// input's own folder (which may be empty: the current folder). Folder mode
// ("SaveFolder") 1 creates the subfolder (one level) and ignores the result; a
// failure shows up as a failed write. Any mode other than 1 and 2 behaves as 0.
QString AutoNameFolder(const QString& inputFolder, const AppSettings& settings);

// The base name followed by one more than the highest number that folder
// already holds for base name and extension, or the base name alone when there
// is none (or the highest is 4294967295). Every entry whose name starts with
// the base name and ends with the extension counts, compared ignoring case: a
// name differing only in case is the same file on the case-insensitive file
// systems (FAT, exFAT, NTFS, SMB shares) that scans so often come from, and
// would otherwise be found taken only when writing.
QString NumberedName(const QString& folder, const QString& baseName, const QString& extension);

// The output path for an input path: folder, numbered name and extension.
QString AutoOutputPath(const QString& inputPath, bool transparent, const AppSettings& settings,
                       bool heifAvailable);

// Writes the file under the given path without replacing anything there; true
// when the file was written.
using AutoNameWriter = std::function<bool(const QString& outputPath)>;

// Computes the output path, stores it in outputPath (also on failure), and
// writes through write unless an entry of that name exists already. True only
// when the file was written.
bool SaveWithAutoName(const QString& inputPath, bool transparent, const AppSettings& settings,
                      bool heifAvailable, const AutoNameWriter& write, QString* outputPath);
