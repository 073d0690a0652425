#pragma once

#include <QByteArray>
#include <QString>

class CTavloApp;
class CliArguments;

// Prints the usage text with the reason on standard error; returns 2.
int UsageError(const QString& reason);
// Prints the message on standard error; returns 1.
int WorkFailed(const QString& message);
void PrintLine(const QByteArray& line);

// "--use-wic N" overrides the stored UseWIC for this run. 1 and 2 need the
// second imaging component. False for a value other than 0, 1 or 2.
bool ApplyUseWicOption(CTavloApp& app, const CliArguments& arguments);

// Reads a whole decimal number; false for anything else.
bool ParseInt(const QString& text, int* value);
