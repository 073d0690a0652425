#pragma once

#include <vector>

#include "CUndoItem.h"

// Snapshots of the editing state, oldest first, and the two positions that
// decide undo, redo and the modified flag. Each entry is a separate copy of a
// state; images stay shared, so an entry costs a few dozen bytes.
class EditHistory {
public:
    // Empties the list and sets both positions to -1.
    void Reset();
    // Empties the list; the saved position is left for the caller to set.
    void Clear();

    // Stores a copy of the state (whose m_kind is already set). The redo branch
    // after the current position is dropped; a state of a coalescing kind that
    // follows an entry of the same kind replaces it.
    void Record(const CUndoItem& state);

    bool CanUndo() const { return m_index >= 1; }
    bool CanRedo() const { return m_index < Size() - 1; }
    // Move one entry back or forward and return a new copy of that entry.
    UndoItemPtr StepBack();
    UndoItemPtr StepForward();

    int Size() const { return int(m_entries.size()); }
    int Index() const { return m_index; }
    int SavedIndex() const { return m_savedIndex; }
    void MarkSaved() { m_savedIndex = m_index; }
    bool IsModified() const { return m_index != m_savedIndex; }

    // The entry at the current position, while there is one (the view stores
    // its zoom, scroll and frame into it before undo and redo leave it).
    CUndoItem* CurrentEntry();
    const CUndoItem& At(int i) const { return *m_entries[std::size_t(i)]; }

private:
    // A saved position that no entry has (the saved entry was dropped).
    static constexpr int kNoSavedPosition = -2;

    std::vector<UndoItemPtr> m_entries;
    int m_index = -1;
    int m_savedIndex = -1;
};
