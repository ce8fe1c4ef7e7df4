#include "documents/ConnectedMedbitRow.h"

#include "records/CategoryOption.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace
{

constexpr int rowInset = 24;
constexpr int rowPadding = 12;
constexpr int chevronSize = 10;
constexpr int gap = 10;

QFont initialsFont()
{
    return Theme::systemFont(11, QFont::Medium);
}

} // namespace

ConnectedMedbitRow::ConnectedMedbitRow(const Medbit &medbit, QWidget *parent)
    : QAbstractButton(parent), m_medbit(medbit), m_initials(initialsOf(medbit)), m_date(medbit.displayDate())
{
    setObjectName(QStringLiteral("connectedEntry"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(medbit.entryText + QStringLiteral(", ") + m_date);
    setAccessibleDescription(categoriesOf(medbit));
}

QString ConnectedMedbitRow::categoriesOf(const Medbit &medbit)
{
    QStringList names;
    for (const QString &tag : medbit.tags) {
        const QList<CategoryOption> &options = CategoryOption::all();
        const auto option = std::find_if(options.cbegin(), options.cend(),
                                         [&tag](const CategoryOption &candidate) { return candidate.code == tag; });
        names.append(option == options.cend() ? tag.toUpper() : option->label);
    }
    return names.join(QStringLiteral(", "));
}

QString ConnectedMedbitRow::initialsOf(const Medbit &medbit)
{
    QStringList initials;
    for (const QString &tag : medbit.tags)
        initials.append(CategoryOption::initialsForTag(tag));
    return initials.join(QStringLiteral(", "));
}

QSize ConnectedMedbitRow::sizeHint() const
{
    const int lines = QFontMetrics(font()).height() + 2 + QFontMetrics(Theme::captionFont()).height();
    return QSize(260, lines + 2 * rowPadding);
}

void ConnectedMedbitRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor secondary = Theme::secondaryColor(this);
    const QRect inner = rect().adjusted(rowInset, rowPadding, -rowInset, -rowPadding);
    int left = inner.left();
    if (!m_initials.isEmpty()) {
        painter.setFont(initialsFont());
        painter.setPen(secondary);
        const int width = QFontMetrics(initialsFont()).horizontalAdvance(m_initials);
        painter.drawText(QRect(left, inner.top(), width, inner.height()), Qt::AlignVCenter, m_initials);
        left += width + gap;
    }
    const int textWidth = std::max(0, inner.right() - chevronSize - gap - left);
    const QFontMetrics body(font());
    const QFontMetrics caption(Theme::captionFont());
    const int top = inner.top() + (inner.height() - body.height() - 2 - caption.height()) / 2;
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QString text = QString(m_medbit.entryText).replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.drawText(QPoint(left, top + body.ascent()), body.elidedText(text, Qt::ElideRight, textWidth));
    painter.setFont(Theme::captionFont());
    painter.setPen(secondary);
    painter.drawText(QPoint(left, top + body.height() + 2 + caption.ascent()),
                     caption.elidedText(m_date, Qt::ElideRight, textWidth));
    const QPixmap chevron =
        SymbolIcons::tinted(QStringLiteral("chevron.right"), chevronSize, secondary, devicePixelRatioF());
    if (!chevron.isNull())
        painter.drawPixmap(inner.right() - chevronSize, inner.center().y() - chevronSize / 2, chevron);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
