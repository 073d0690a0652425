#pragma once

#include <cstdint>

struct AppSettings;

// The colour shown where the output reaches beyond the image. Each component
// is used through its low 8 bits, so a stored red of 256 contributes 0.
struct MarginColor {
    std::uint8_t r = 255, g = 255, b = 255, a = 0;
};

MarginColor MarginFromSettings(const AppSettings& settings);
