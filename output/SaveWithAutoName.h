#pragma once

#include <QString>

#include "document/CBitmapHolder.h"

class CTavloDoc;

// Saves a result under the automatic name derived from the input path (see
// AutoOutputPath), in the folder the save settings choose, with the writer of
// WriteImageFile. Never replaces anything: an existing entry of the computed
// name, also one created by another program while this one was writing, makes
// the operation fail with nothing written. outputPath receives the computed
// path whenever there is one, also on failure. True only when the file was
// written. Runs on the user-interface thread and on the batch worker.
bool SaveWithAutoName(CTavloDoc& document, const HolderPtr& result, bool transparent,
                      const HolderPtr& source, const QString& inputPath, QString* outputPath);
