#include "EditHistory.h"

#include "HistoryKind.h"

void EditHistory::Reset() {
    m_entries.clear();
    m_index = -1;
    m_savedIndex = -1;
}

void EditHistory::Clear() {
    m_entries.clear();
    m_index = -1;
}

void EditHistory::Record(const CUndoItem& state) {
    if (m_index >= 0) {
        // The redo branch is lost, released from the end. A saved position in
        // it names no entry any more: the entry that comes to stand there is
        // not what was saved, and must not count as unmodified.
        while (Size() > m_index + 1) m_entries.pop_back();
        if (m_savedIndex > m_index) m_savedIndex = kNoSavedPosition;
        if (m_entries[std::size_t(m_index)]->m_kind == state.m_kind &&
            KindCoalesces(state.m_kind)) {
            if (m_savedIndex == m_index) m_savedIndex = kNoSavedPosition;
            m_entries[std::size_t(m_index)] = std::make_shared<CUndoItem>(state);
            return;
        }
    }
    m_entries.push_back(std::make_shared<CUndoItem>(state));
    ++m_index;
}

UndoItemPtr EditHistory::StepBack() {
    if (!CanUndo()) return nullptr;
    --m_index;
    return std::make_shared<CUndoItem>(*m_entries[std::size_t(m_index)]);
}

UndoItemPtr EditHistory::StepForward() {
    if (!CanRedo()) return nullptr;
    ++m_index;
    return std::make_shared<CUndoItem>(*m_entries[std::size_t(m_index)]);
}

CUndoItem* EditHistory::CurrentEntry() {
    if (m_index < 0 || m_index >= Size()) return nullptr;
    return m_entries[std::size_t(m_index)].get();
}
