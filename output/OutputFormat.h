#pragma once

#include <QString>

// The file formats a result can be written in.
enum class OutputFormat { Png, Jpeg, Bmp, Heic };

// The format of a target path, from how it ends, ignoring case: ".jpg" and
// ".jpeg" give JPEG, ".bmp" BMP, ".heic" and ".heif" HEIF only when a HEIF
// encoder exists, and everything else (".gif", no extension, ...) PNG, so such
// a file holds PNG data under the name it was given.
OutputFormat OutputFormatForPath(const QString& path, bool heifAvailable);

// "png", "jpeg", "bmp" or "heic": the key of the second component's container
// table, and with "image/" in front the MIME type the first component's
// encoder is looked up by.
QString FormatName(OutputFormat format);
