#include "MarginColor.h"

#include "app/AppSettings.h"

MarginColor MarginFromSettings(const AppSettings& s) {
    return {std::uint8_t(s.CardBoard_R & 0xFF), std::uint8_t(s.CardBoard_G & 0xFF),
            std::uint8_t(s.CardBoard_B & 0xFF), std::uint8_t(s.CardBoard_A & 0xFF)};
}
