#pragma once

#include <QString>

// A folder for this user's temporary files that nobody else can enter or plant
// links in: $XDG_RUNTIME_DIR when it is usable, else
// <temporary folder>/oblimo-<uid> ($TMPDIR, else /tmp). A folder is usable only
// when it is a real folder (not a symbolic link) owned by the user with no
// access for others. Empty when there is no such folder.
//
// Only writing creates the fallback folder (with mode 0700); looking it up,
// as removing a file does, never creates anything.
enum class TempFolderUse { LookUp, Create };
QString PrivateTempFolder(TempFolderUse use);
