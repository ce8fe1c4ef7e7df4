#include "PatientRow.h"

#include "widgets/SelectedRowAccessible.h"
#include "widgets/SymbolIcons.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace
{

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 6;

QAccessibleInterface *patientRowAccessible(const QString &, QObject *object)
{
    if (auto *row = qobject_cast<PatientRow *>(object))
        return new SelectedRowAccessible(row, QAccessible::CheckBox, [row] { return row->isSelected(); });
    return nullptr;
}

} // namespace

PatientRow::PatientRow(const QString &patientID, const QString &name, QWidget *parent)
    : QAbstractButton(parent), m_patientID(patientID)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&patientRowAccessible), true);
    Q_UNUSED(accessibleInstalled);
    setText(name);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void PatientRow::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    SelectedRowAccessible::announceSelectionChange(this);
}

QString PatientRow::shownName() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, nameRect().width());
}

QSize PatientRow::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(text()) + checkMarkWidth() + 3 * horizontalPadding,
                 metrics.height() + 2 * verticalPadding);
}

QSize PatientRow::minimumSizeHint() const
{
    return QSize(checkMarkWidth() + 3 * horizontalPadding, sizeHint().height());
}

void PatientRow::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    if (isDown() || underMouse())
        painter.fillRect(rect(), palette().color(isDown() ? QPalette::Mid : QPalette::Midlight));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(nameRect(), Qt::AlignLeft | Qt::AlignVCenter, shownName());
    if (isSelected()) {
        const int size = checkMarkWidth();
        const QRect markRect(width() - horizontalPadding - size, (height() - size) / 2, size, size);
        painter.drawPixmap(markRect, SymbolIcons::tinted(QStringLiteral("checkmark"), size,
                                                         palette().color(QPalette::Highlight), devicePixelRatioF()));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

QRect PatientRow::nameRect() const
{
    return rect().adjusted(horizontalPadding, 0, -(2 * horizontalPadding + checkMarkWidth()), 0);
}

int PatientRow::checkMarkWidth() const
{
    // As tall as the name's capitals.
    return fontMetrics().capHeight() + 4;
}
