#pragma once

#include <QString>
#include <memory>

class CTavloDoc;
class QClipboard;
class QMimeData;

// Copying the step-4 result. The clipboard gets it twice over: as image data
// (the opaque 24-bit rendering: the margin in its colour at full opacity, with
// the source's colour profile where Qt can read it), for programs that paste
// pictures, and as a one-file list (text/uri-list, and
// x-special/gnome-copied-files so that file managers paste it as a file)
// naming a PNG written into the user's private temporary folder, for programs
// that paste files. The PNG is the transparent 32-bit result when it has any
// transparency, else the 24-bit rendering, with the output resolution and the
// source's colour profile and EXIF block.

// The PNG's path: the private temporary folder and the fixed name
// "{B0C793E0-B130-46E0-BB7C-F17B29C5FADC}.tmp.png". Empty when there is no
// private temporary folder; only a copy creates one.
QString GetClipboardTempPath();

// The clipboard contents for the document's step-4 result; none unless the
// current state is at step 4 or when rendering fails. Writes (replaces) the
// PNG; when that fails the file list is left out and only the image remains.
std::unique_ptr<QMimeData> MakeCopyData(CTavloDoc& document);

// Deletes the PNG unless the clipboard still names it as its first file, so a
// file that the clipboard offers survives; the main frame calls it when it is
// created and when it is destroyed.
void RemoveClipboardTempFile(const QClipboard* clipboard);
