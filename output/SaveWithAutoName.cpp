#include "SaveWithAutoName.h"

#include "AutoName.h"
#include "WriteImageFile.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"

bool SaveWithAutoName(CTavloDoc& document, const HolderPtr& result, bool transparent,
                      const HolderPtr& source, const QString& inputPath, QString* outputPath) {
    const CTavloApp& app = document.App();
    const auto write = [&](const QString& path) {
        return WriteImageFile(document, result, transparent, source, path, FilePublish::NoReplace);
    };
    return SaveWithAutoName(inputPath, transparent, app.settings, app.HeifAvailable != 0, write,
                            outputPath);
}
