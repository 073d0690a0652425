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

// Read whole values; false for anything else (no trailing text).
bool ParseInt(const QString& text, int* value);
bool ParseFloat(const QString& text, float* value);
bool ParseDouble(const QString& text, double* value);
// "WxH", for example 1000x600.
bool ParseSize(const QString& text, int* width, int* height);
// "a,b,c,d" with as many numbers as values holds.
bool ParseFloatList(const QString& text, float* values, int count);
bool ParseIntList(const QString& text, int* values, int count);
