#pragma once

#include <QString>

// The usage texts of tavlo-cli: all commands, or one of them.
QString FullUsage();
// Empty for a command that does not exist.
QString CommandUsage(const QString& command);
// "tavlo-cli <version>".
QString VersionText();
