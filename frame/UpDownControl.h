#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons, up above down, that report each press (and each
// repeat while held, or each arrow key) as a step of +1 or -1. The view uses
// it as zoom-in and zoom-out buttons beside the zoom box.
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);
    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }
    // One step up (+1) or down (-1), as a press of an arrow gives.
    void Step(int steps) { emit Delta(steps); }

signals:
    void Delta(int steps);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};
