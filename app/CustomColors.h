#pragma once

#include <QColor>
#include <array>

class SettingsStore;

// The colour dialog's 16 custom colours, stored as one 64-byte binary value
// "CustomColors": each colour a little-endian 0x00BBGGRR word, as Windows keeps
// a COLORREF. Absent or shorter data leaves the remaining colours white.
using CustomColorSet = std::array<QColor, 16>;

CustomColorSet ReadCustomColors(const SettingsStore& store);
void WriteCustomColors(SettingsStore& store, const CustomColorSet& colors);
