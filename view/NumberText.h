#pragma once

#include <QString>

// The number a field's text starts with, as the program reads its fields:
// leading white space, then a decimal number; 0 when the text does not start
// with one. A value that is not finite reads as 0 too: no angle or zoom may
// become infinite or not a number.
double LeadingNumber(const QString& text);
// The integer a text starts with (base 10, optional sign); 0 when none.
int LeadingInteger(const QString& text);
// "%f": six decimals, no grouping ("100.000000", "-0.000000").
QString FormatFixed(double value);
