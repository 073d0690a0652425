#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

#include "PayloadAnchor.h"

// The packaging step: a built launcher, the installer program and the package
// it installs become one launcher file that carries both (see PayloadAnchor.h).

struct PackRequest {
    QString launcherPath;
    QString installerPath;
    QString packagePath;
    QString outputPath;
    QString productName = QStringLiteral("Oblimo");
    QString folderName;     // empty: a fresh GUID in braces
    QString installerName;  // empty: the installer file's own name
    QString packageName;    // empty: the package file's own name
};

// Where everything lands in the output. The installer follows the launcher
// directly, the package starts at the next multiple of 8, the record at the
// next multiple of 128 after the package.
struct PayloadLayout {
    quint64 installerOffset = 0;
    quint64 packageOffset = 0;
    quint64 anchorOffset = 0;
    quint64 totalSize = 0;
};

// The launcher reads offsets and sizes as 32-bit numbers and looks for the
// record in the last 131072 bytes of a file that must stay below 2 GiB. When
// the inputs do not allow that, the reason comes back in refusal.
std::optional<PayloadLayout> PlanPayloadLayout(quint64 launcherSize, quint64 installerSize,
                                               quint64 packageSize, quint64 recordSize,
                                               QString* refusal);

enum class PackStatus { Packed, Refused, Failed };

struct PackResult {
    PackStatus status = PackStatus::Failed;
    QString message;  // why it was refused or failed
    PayloadAnchor anchor;
    PayloadLayout layout;
};

// Writes the output (replacing it only once it is complete) and makes it
// executable. Refused: the inputs do not fit the record or give unusable
// names, the launcher already carries a record (a launcher packed once would
// go on running its old payload), or the output's search would not find the
// record just written first (a record-like block inside the payload would be
// found instead); Failed: a file could not be read or written.
PackResult PackPayload(const PackRequest& request);

// A new folder name in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
QString NewFolderGuid();
