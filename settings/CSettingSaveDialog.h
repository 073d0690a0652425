#pragma once

#include "platform/ui/PropertySheet.h"

class CTavloApp;
class FileDialogs;

// Raises a counter while the program itself writes into a field, so that the
// change notification is not taken for typing.
class CInternalUpdateAnchor {
public:
    explicit CInternalUpdateAnchor(int* counter) : m_counter(counter) { ++*m_counter; }
    ~CInternalUpdateAnchor() { --*m_counter; }
    CInternalUpdateAnchor(const CInternalUpdateAnchor&) = delete;
    CInternalUpdateAnchor& operator=(const CInternalUpdateAnchor&) = delete;

private:
    int* m_counter;
};

// Page "保存": where automatically named results and batch results go. Mode
// 0 is the loaded file's folder, 1 a sub-folder of it, 2 a fixed folder. Only
// the field of the chosen mode is enabled; leaving the page tests it, and a
// fixed folder that does not exist is created, with its parents, once the
// user agrees.
class CSettingSaveDialog : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr int kPageIndex = 1;

    CSettingSaveDialog(CTavloApp& app, FileDialogs& dialogs, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnSetActive() override;
    bool OnKillActive() override;
    void OnOK() override;

    // 1 when the sub-folder button is on, 2 for the fixed folder, else 0 (and
    // the first button is switched on, so that one always is).
    int Mode();

private:
    void UpdateEnabling();
    void OnBrowse();
    bool TestSubfolder();
    bool TestFolder();

    CTavloApp& m_app;
    FileDialogs& m_dialogs;
    int m_internalUpdate = 0;
};
