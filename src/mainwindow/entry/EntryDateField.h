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
// text, so what is typed replaces the date; text that is not a date is never read as another day.
class EntryDateField final : public QWidget
{
    Q_OBJECT

public:
    explicit EntryDateField(QDate date, QWidget *parent = nullptr);

    // nullopt while the text is not a date.
    std::optional<QDate> date() const;
    void setDate(QDate date);
    // The calendar offers no later day.
    void setMaximumDate(QDate date);
    QCalendarWidget *calendar() const { return m_calendar; }
    // Says under the field when its text is not a date; true when it is one.
    bool confirmReadable();

Q_SIGNALS:
    // The text reads as another day.
    void dateChanged(QDate date);
    // Return, or the focus left the text.
    void editingFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString format() const;
    void readText();
    void openCalendar();
    void pick(QDate date);

    QLineEdit *m_text = nullptr;
    QToolButton *m_calendarButton = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_error = nullptr;
    QDate m_lastRead;
    bool m_selectOnRelease = false;
};
