#pragma once

// What produced a history entry. Entries of kinds 0, 2 and 5 that follow an
// entry of the same kind replace it, so a run of typing or dragging is one undo
// step.
enum HistoryKind : int {
    kKindAngleTyped = 0,
    kKindAngleListEntry = 1,  // "左90度", "右90度", "リセット"
    kKindAngleDragged = 2,    // the rotation scroll bar
    kKindAngleFromLine = 3,   // "回転" after drawing a line
    kKindTrimFrame = 4,
    kKindResultSizeTyped = 5,
    kKindStep1Snapshot = 6,
    kKindFlip = 7,
    kKindStep2Entered = 8,
    kKindWholeImage = 9,      // new image, step 4 rendered, "x1"
};

inline bool KindCoalesces(int kind) {
    return kind >= 0 && kind < 32 && ((0x25u >> kind) & 1u) != 0;
}

// Hints passed with every view update (a bit set).
enum UpdateHint : int {
    kHintRefreshAll = 0,    // refresh everything, including the angle box text
    kHintKeepAngleText = 1, // as 0 but the angle was typed: keep the box's text
    kHintEnterStep3 = 4,    // place the default frame and fill the step-3 fields
    kHintRestore = 10,      // undo or redo: restore zoom, scroll, frame, fields
};
