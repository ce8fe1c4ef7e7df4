#include "PatientRow.h"

#include "widgets/SymbolIcons.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace
{

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 6;

// Reads a row as a check box marked while its patient is the current one; "Toggle" and "Press" both click.
class PatientRowAccessible final : public QAccessibleWidget
{
public:
    explicit PatientRowAccessible(PatientRow *row) : QAccessibleWidget(row, QAccessible::CheckBox) {}

    QString text(QAccessible::Text kind) const override
    {
        const QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty())
            return row()->text();
        return text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = row()->isSelected();
        return state;
    }

    QStringList actionNames() const override
    {
        const QStringList own = row()->isEnabled() ? QStringList{toggleAction(), pressAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == toggleAction() || name == pressAction()) {
            if (row()->isEnabled())
                row()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    PatientRow *row() const { return static_cast<PatientRow *>(widget()); }
};

QAccessibleInterface *patientRowAccessible(const QString &, QObject *object)
{
    if (auto *row = qobject_cast<PatientRow *>(object))
        return new PatientRowAccessible(row);
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
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
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
