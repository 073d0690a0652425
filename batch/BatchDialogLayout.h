#pragma once

#include <QRect>

#include "BatchDialogTemplate.h"

class SettingsStore;

// What the batch dialog remembers between uses, in section "BatchDialog": its
// normal window rectangle (right and bottom exclusive) and the widths of its
// three columns in pixels.
struct BatchDialogLayout {
    int left = -1, top = -1, right = -1, bottom = -1;
    int statusWidth = 0, inputWidth = 0, outputWidth = 0;

    // Absent values take their defaults: -1 for the rectangle, and 14, 40 and
    // 80 character units (characterUnit pixels each) for the columns.
    static BatchDialogLayout Load(const SettingsStore& store, int characterUnit);
    void Save(SettingsStore& store) const;

    // A stored rectangle counts only when it is more than 9 pixels wide or
    // high; all four at -1 (never stored) do not.
    bool HasRect() const { return right - left > 9 || bottom - top > 9; }
    QRect Rect() const { return QRect(left, top, right - left, bottom - top); }
    void SetRect(const QRect& rect);
};

// The rectangle of a control after the dialog's client area has grown by dx,
// dy since its controls were recorded at that rectangle.
QRect ResizedControlRect(const QRect& recorded, BatchTemplate::Rule horizontal,
                         BatchTemplate::Rule vertical, int dx, int dy);

// Where the dialog goes when no rectangle is stored: 1.5 times as wide and
// twice as high as its template, centred on the main window (integer
// division throughout, as the rectangle was always computed).
QRect FirstUseRect(const QSize& templateSize, const QRect& mainWindow);
