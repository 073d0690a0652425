#pragma once

#include <QObject>
#include <functional>

class QComboBox;

// Tells when a combo box's edit field loses the keyboard focus for good; its
// own drop-down list taking the focus for a moment does not count.
class ComboFocusWatcher : public QObject {
public:
    ComboFocusWatcher(QComboBox* combo, std::function<void()> onFocusLost);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_onFocusLost;
};
