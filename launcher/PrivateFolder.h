#pragma once

#include <QString>

#include "FileIo.h"

// The folder the payload is unpacked into. Temporary folders are often shared
// by all users, so it is created with mode 0700, and one that already exists
// (from an interrupted run) is used only if it is a real folder, not a link,
// owned by this user; its mode is then narrowed to 0700 as well, so that nobody
// else can swap a file between writing and starting it.
// Returns the open folder, or no descriptor when it cannot be used.
UniqueFd OpenPrivateFolder(const QString& path);

// Join(a, b): b alone when a is empty, otherwise a and b with one "/".
QString JoinPath(const QString& folder, const QString& name);
