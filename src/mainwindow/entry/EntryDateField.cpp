#include "mainwindow/entry/EntryDateField.h"

#include "mainwindow/entry/EntryDate.h"
#include "mainwindow/entry/PastDaysCalendar.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"

#include <QCalendarWidget>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

EntryDateField::EntryDateField(QDate date, QWidget *parent)
    : QWidget(parent), m_text(new QLineEdit(this)), m_calendarButton(new QToolButton(this)),
      m_calendar(new QCalendarWidget(this)), m_error(FormKit::errorCaption(this)), m_lastRead(date)
{
    m_text->setObjectName(QStringLiteral("dateField"));
    m_text->setAccessibleName(tr("Date"));
    m_text->setText(locale().toString(date, format()));
    m_text->installEventFilter(this);
    setFocusProxy(m_text);
    m_calendarButton->setObjectName(QStringLiteral("dateCalendarButton"));
    m_calendarButton->setIcon(SymbolIcons::icon(QStringLiteral("calendar")));
    m_calendarButton->setToolTip(tr("Choose Date"));
    m_calendarButton->setAccessibleName(tr("Choose Date"));
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->hide();
    m_error->setObjectName(QStringLiteral("dateError"));

    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(m_text);
    row->addWidget(m_calendarButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(row);
    layout->addWidget(m_error);

    connect(m_text, &QLineEdit::textChanged, this, &EntryDateField::readText);
    connect(m_text, &QLineEdit::editingFinished, this, [this] {
        confirmAcceptable();
        emit editingFinished();
    });
    connect(m_calendarButton, &QToolButton::clicked, this, &EntryDateField::openCalendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &EntryDateField::pick);
    connect(m_calendar, &QCalendarWidget::activated, this, &EntryDateField::pick);
}

std::optional<QDate> EntryDateField::date() const
{
    return EntryDate::read(m_text->text(), locale());
}

void EntryDateField::setDate(QDate date)
{
    m_text->setText(locale().toString(date, format()));
}

void EntryDateField::setToday(QDate today)
{
    m_today = today;
    PastDaysCalendar::prepare(m_calendar, today);
}

bool EntryDateField::confirmAcceptable()
{
    const QString why = refusal(date());
    FormKit::setCaptionText(m_error, why);
    return why.isEmpty();
}

bool EntryDateField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_text)
        return QWidget::eventFilter(watched, event);
    // A click places the cursor after the focus arrives, so the whole text is selected once the button is up.
    switch (event->type()) {
    case QEvent::FocusIn:
        m_selectOnRelease = static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason;
        break;
    case QEvent::MouseButtonRelease:
        if (std::exchange(m_selectOnRelease, false) && !m_text->hasSelectedText())
            m_text->selectAll();
        break;
    case QEvent::MouseButtonDblClick:
        m_text->selectAll();
        return true;
    default:
        break;
    }
    return false;
}

QString EntryDateField::format() const
{
    return EntryDate::fullYearFormat(locale());
}

// Empty for a day the field takes.
QString EntryDateField::refusal(const std::optional<QDate> &day) const
{
    if (!day)
        return tr("This is not a date. Type it like %1.").arg(locale().toString(m_lastRead, format()));
    if (m_today.isValid() && *day > m_today)
        return tr("This date is after today. Type %1 or an earlier day.").arg(locale().toString(m_today, format()));
    return {};
}

void EntryDateField::readText()
{
    const std::optional<QDate> day = date();
    if (!refusal(day).isEmpty())
        return;
    FormKit::setCaptionText(m_error, QString());
    if (*day == m_lastRead)
        return;
    m_lastRead = *day;
    emit dateChanged(*day);
}

void EntryDateField::openCalendar()
{
    m_calendar->setSelectedDate(date().value_or(m_lastRead));
    m_calendar->move(m_text->mapToGlobal(QPoint(0, m_text->height())));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void EntryDateField::pick(QDate date)
{
    m_calendar->hide();
    setDate(date);
    m_text->setFocus(Qt::OtherFocusReason);
}
