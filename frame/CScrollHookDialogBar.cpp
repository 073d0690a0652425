#include "CScrollHookDialogBar.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>

#include "CScrollHookTarget.h"

namespace {
// The templates' rule for the bar's right edge: stretched controls end 8
// pixels before it.
constexpr int kRightGap = 8;

int ToScrollCode(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub: return SB_LINELEFT;
        case QAbstractSlider::SliderSingleStepAdd: return SB_LINERIGHT;
        case QAbstractSlider::SliderPageStepSub: return SB_PAGELEFT;
        case QAbstractSlider::SliderPageStepAdd: return SB_PAGERIGHT;
        case QAbstractSlider::SliderToMinimum: return SB_LEFT;
        case QAbstractSlider::SliderToMaximum: return SB_RIGHT;
        case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
        default: return SB_ENDSCROLL;
    }
}
}  // namespace

CScrollHookDialogBar::CScrollHookDialogBar(const DialogTemplate& dialog, CommandRouter& router,
                                           QWidget* parent)
    : DialogBar(dialog, router, parent) {
    LayOutTopBar(dialog);
    // On Linux a combo box is announced by the label that names it (its own
    // name is its text), so each box is its label's buddy.
    for (auto [label, box] : {std::pair{IDC_ZOOM_LABEL, IDC_ZOOM_BOX}, {IDC_ANGLE_LABEL, IDC_ANGLE_BOX}})
        if (auto* caption = Item<QLabel>(label)) caption->setBuddy(GetDlgItem(box));
    for (const ControlTemplate& control : dialog.controls) {
        auto* bar = qobject_cast<QScrollBar*>(Control(control));
        if (!bar) continue;
        // The thumb follows the drag only through the receivers.
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int action) { OnScrollAction(bar, action); });
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar](int value) { OnValueChanged(bar, value); });
        m_lastValue[bar] = bar->value();
    }
}

void CScrollHookDialogBar::SetScrollPos(QScrollBar* bar, int position) {
    ++m_positioning;
    bar->setValue(position);
    --m_positioning;
}

void CScrollHookDialogBar::OnScrollAction(QScrollBar* bar, int action) {
    // While the action is being reported, value() is still the old position and
    // sliderPosition() the track position.
    Offer(bar, ToScrollCode(action), bar->sliderPosition());
}

void CScrollHookDialogBar::OnValueChanged(QScrollBar* bar, int value) {
    if (m_positioning) {
        m_lastValue[bar] = value;
        return;
    }
    // Moved by someone else: back to where it was, then reported as a thumb
    // position, so that only the receivers move it.
    ++m_positioning;
    bar->setValue(m_lastValue[bar]);
    --m_positioning;
    Offer(bar, SB_THUMBPOSITION, value);
}

void CScrollHookDialogBar::Offer(QScrollBar* bar, int code, int position) {
    ++m_positioning;
    const bool horizontal = bar->orientation() == Qt::Horizontal;
    for (CScrollHookTarget* receiver : m_receivers) {
        if (horizontal ? receiver->OnHScrollHook(code, position, bar)
                       : receiver->OnVScrollHook(code, position, bar))
            break;
    }
    // Default handling: the thumb stays at the position the receivers set.
    bar->setSliderPosition(bar->value());
    --m_positioning;
}

void CScrollHookDialogBar::LayOutTopBar(const DialogTemplate& dialog) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, m_units.Y(2), kRightGap, m_units.Y(2));
    row->setSpacing(0);

    // The zoom group at its template positions; the angle group and the
    // line-confirm group in one shared cell that takes the rest of the width.
    auto* angleGroup = new QHBoxLayout;
    auto* confirmGroup = new QHBoxLayout;
    for (QHBoxLayout* group : {angleGroup, confirmGroup}) {
        group->setContentsMargins(0, 0, 0, 0);
        group->setSpacing(0);
    }
    int zoomRight = 0, angleRight = -1, confirmRight = -1, angleLeft = 0;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = Control(control);
        if (control.kind == ControlKind::Label && control.id != IDC_LINE_EXPLANATION)
            widget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        const bool stretched = control.id == IDC_ANGLE_SCROLL || control.id == IDC_LINE_EXPLANATION;
        if (control.id == IDC_LINE_EXPLANATION)
            widget->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        switch (control.id) {
            case IDC_ANGLE_LABEL:
                angleLeft = control.x;
                [[fallthrough]];
            case IDC_ANGLE_BOX:
            case IDC_ANGLE_SCROLL:
                if (angleRight >= 0) angleGroup->addSpacing(m_units.X(control.x - angleRight));
                angleGroup->addWidget(widget, stretched ? 1 : 0);
                angleRight = control.x + control.width;
                break;
            case ID_ROTATE_BY_LINE:
            case ID_LINE_CANCEL:
            case IDC_LINE_EXPLANATION:
                if (confirmRight >= 0) confirmGroup->addSpacing(m_units.X(control.x - confirmRight));
                confirmGroup->addWidget(widget, stretched ? 1 : 0);
                confirmRight = control.x + control.width;
                break;
            default:
                row->addSpacing(m_units.X(control.x - zoomRight));
                row->addWidget(widget);
                zoomRight = control.x + control.width;
                break;
        }
    }
    // Both groups start where the angle label starts.
    row->addSpacing(m_units.X(angleLeft - zoomRight));
    auto* shared = new QGridLayout;
    shared->setContentsMargins(0, 0, 0, 0);
    shared->addLayout(angleGroup, 0, 0);
    shared->addLayout(confirmGroup, 0, 0);
    row->addLayout(shared, 1);
    // Takes the width while both groups are hidden (steps 1, 3 and 4), so the
    // zoom controls keep their places.
    row->addStretch(0);
    setMinimumHeight(m_units.Y(dialog.height));
}
