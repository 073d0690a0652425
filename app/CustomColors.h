#pragma once

#include <QColor>
#include <array>
#include <optional>

class SettingsStore;

// The colour dialog's 16 custom colours. One set serves every colour dialog
// of the run; it is white at program start. It is stored as one 64-byte
// binary value "CustomColors" of section "Settings": each colour a
// little-endian 0x00BBGGRR word, as Windows keeps a COLORREF.
using CustomColorSet = std::array<QColor, 16>;

// The set shared by the whole process.
CustomColorSet& ProcessCustomColors();

// The stored set, or nothing when the value is absent or shorter than 64
// bytes (the current set then stays as it is).
std::optional<CustomColorSet> ReadCustomColors(const SettingsStore& store);
void WriteCustomColors(SettingsStore& store, const CustomColorSet& colors);
