#pragma once

#include <QDate>
#include <QWidget>

#include <optional>

class QCalendarWidget;
class QLabel;
class QLineEdit;
class QToolButton;

// The entry form's date: a text field that reads the date as typed in the locale's short format with the year
// in full, and a button that picks it in a calendar. Focus by click, double click or Tab selects the whole
// text, so what is typed replaces the date. Text that is not a date, or a day after today, is refused under the
// field and kept as typed: it is never read as another day.
class EntryDateField final : public QWidget
{
    Q_OBJECT

public:
    explicit EntryDateField(QDate date, QWidget *parent = nullptr);

    // nullopt while the text is not a date.
    std::optional<QDate> date() const;
    void setDate(QDate date);
    // The last day it takes: the calendar offers no later one, and a later one typed is refused.
    void setToday(QDate today);
    QCalendarWidget *calendar() const { return m_calendar; }
    // Says under the field why its text is refused; true when it is a day it takes.
    bool confirmAcceptable();

Q_SIGNALS:
    // The text reads as another day that it takes.
    void dateChanged(QDate date);
    // Return, or the focus left the text.
    void editingFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString format() const;
    QString refusal(const std::optional<QDate> &day) const;
    void readText();
    void openCalendar();
    void pick(QDate date);

    QLineEdit *m_text = nullptr;
    QToolButton *m_calendarButton = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_error = nullptr;
    QDate m_lastRead;
    QDate m_today;
    bool m_selectOnRelease = false;
};
