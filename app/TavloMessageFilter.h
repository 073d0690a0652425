#pragma once

#include <QObject>

class QWidget;

// Looks at input before it is dispatched: every press of Escape also posts the
// rotation bar's "キャンセル" to the main frame (leaving line drawing), and
// the key goes on to its widget. The wheel already reaches the widget under
// the pointer, focused or not.
class TavloMessageFilter : public QObject {
public:
    explicit TavloMessageFilter(QWidget& mainFrame, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_mainFrame;
};
