#include "UpDownControl.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "resources/Strings.h"

namespace {
QToolButton* ArrowButton(Qt::ArrowType arrow, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return button;
}
}  // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent),
      m_up(ArrowButton(Qt::UpArrow, Strings::ZoomInButton(), this)),
      m_down(ArrowButton(Qt::DownArrow, Strings::ZoomOutButton(), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setFocusPolicy(Qt::StrongFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { emit Delta(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit Delta(-1); });
}

void UpDownControl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        emit Delta(1);
    } else if (event->key() == Qt::Key_Down) {
        emit Delta(-1);
    } else {
        QWidget::keyPressEvent(event);
    }
}
