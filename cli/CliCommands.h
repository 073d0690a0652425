#pragma once

#include <QStringList>

class CTavloApp;

// Each command takes the arguments after its name and returns the exit code:
// 0 done, 1 the work failed (message on standard error), 2 bad usage.
int RunInfoCommand(CTavloApp& app, const QStringList& arguments);
int RunFrameCommand(const QStringList& arguments);
int RunRenderCommand(CTavloApp& app, const QStringList& arguments);
int RunAutosaveCommand(CTavloApp& app, const QStringList& arguments);
int RunBatchCommand(CTavloApp& app, const QStringList& arguments);
int RunDeskewCommand(CTavloApp& app, const QStringList& arguments);
