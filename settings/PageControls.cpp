#include "PageControls.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "platform/ui/PropertySheet.h"

namespace {
// A horizontal dialog unit is a quarter of the font's average character
// width, a vertical one an eighth of its height.
struct Units {
    explicit Units(const QFont& font) {
        const QFontMetricsF metrics(font);
        const QString alphabet =
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        x = std::ceil(metrics.horizontalAdvance(alphabet) / 52.0) / 4.0;
        y = std::ceil(metrics.height()) / 8.0;
    }
    QRect Rect(const PageControlTemplate& c) const {
        const auto px = [](double units, double scale) { return int(std::lround(units * scale)); };
        return QRect(px(c.x, x), px(c.y, y), px(c.width, x), px(c.height, y));
    }
    double x = 1.5, y = 1.625;
};

QWidget* CreateControl(const PageControlTemplate& control, QWidget* page) {
    const QString text = QString::fromUtf16(control.text);
    switch (control.kind) {
        case PageControlKind::Label: {
            auto* label = new QLabel(text, page);
            const bool multiLine = text.contains(QLatin1Char('\n'));
            label->setAlignment(Qt::AlignLeft | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
            return label;
        }
        case PageControlKind::Swatch: {
            auto* swatch = new QLabel(page);
            swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
            swatch->setLineWidth(1);
            swatch->setAutoFillBackground(true);
            return swatch;
        }
        case PageControlKind::Edit:
            return new QLineEdit(page);
        case PageControlKind::PushButton:
            return new QPushButton(text, page);
        case PageControlKind::CheckBox:
            return new QCheckBox(text, page);
        case PageControlKind::RadioButton:
            return new QRadioButton(text, page);
    }
    return nullptr;
}
}  // namespace

void CreatePageControls(CPropertyPage& page, const PageTemplate& dialog) {
    const Units units(page.font());
    QSize extent(int(std::lround(dialog.width * units.x)), int(std::lround(dialog.height * units.y)));
    const int margin = int(std::lround(8 * units.x));
    QLabel* pendingLabel = nullptr;
    for (const PageControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control, &page);
        QRect rect = units.Rect(control);
        if (control.kind != PageControlKind::Swatch && control.kind != PageControlKind::Edit) {
            const QSize hint = widget->sizeHint();
            rect.setWidth(std::max(rect.width(), hint.width()));
            rect.setHeight(std::max(rect.height(), hint.height()));
        }
        widget->setGeometry(rect);
        extent = extent.expandedTo(QSize(rect.right() + margin, rect.bottom() + margin));

        if (control.accessibleName) widget->setAccessibleName(QString::fromUtf16(control.accessibleName));
        if (auto* label = qobject_cast<QLabel*>(widget); label && control.kind == PageControlKind::Label) {
            pendingLabel = label;
        } else {
            if (pendingLabel && control.kind == PageControlKind::Edit) pendingLabel->setBuddy(widget);
            pendingLabel = nullptr;
        }
        if (control.id >= 0) page.SetDlgItem(control.id, widget);
    }
    page.setMinimumSize(extent);
}
