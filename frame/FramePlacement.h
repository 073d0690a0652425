#pragma once

#include <QRect>

class SettingsStore;

// The main window's placement as section "Frame" keeps it: the normal
// (restored) rectangle with right and bottom exclusive, and whether the window
// was minimised or maximised when it was last saved.
struct FramePlacement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int iconic = 0;
    int maximized = 0;

    // False, and nothing read, while "Initialized" is 0 or absent. Values absent
    // under a set "Initialized" read as -1.
    bool Load(const SettingsStore& store);
    // Writes "Initialized" = 1 and then every value.
    void Save(SettingsStore& store) const;

    QRect NormalRect() const;
    void SetNormalRect(const QRect& rect);
};

// A window whose stored top edge lies more than the frame height plus half the
// caption height above the top of the nearest monitor (a monitor that has
// gone, a changed arrangement) would have its caption out of reach: it is
// moved down to the monitor's top, keeping its height. Left and right stay, and
// a window lower than the monitor is not moved up.
QRect CorrectedNormalRect(const QRect& normal, const QRect& monitor, int frameHeight,
                          int captionHeight);

// The normal rectangle of a first start, which opens maximised: two thirds of
// the available area in each direction, centred in it, so that restoring the
// window gives a window and not the whole screen.
QRect DefaultNormalRect(const QRect& available);
