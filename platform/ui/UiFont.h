#pragma once

// Makes the application's font one that has Japanese glyphs in their Japanese
// forms (Noto Sans CJK JP, which the set-up installs) when it is present;
// otherwise the desktop's font stays and font fallback finds the glyphs.
void InstallJapaneseUiFont();
