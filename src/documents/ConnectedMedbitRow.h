#pragma once

#include "records/Medbit.h"

#include <QAbstractButton>

// One entry connected to a document: its category initials, its text and date (one line each) and a
// chevron. A button: a click, or Space while focused, chooses the entry. Screen readers hear the text and
// the date, then the names of its categories.
class ConnectedMedbitRow final : public QAbstractButton
{
    Q_OBJECT

public:
    ConnectedMedbitRow(const Medbit &medbit, QWidget *parent);

    const Medbit &medbit() const { return m_medbit; }
    // The initials of the entry's categories joined by ", "; an unknown code upper-cased.
    static QString initialsOf(const Medbit &medbit);
    // The names of the entry's categories joined by ", "; an unknown code upper-cased.
    static QString categoriesOf(const Medbit &medbit);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Medbit m_medbit;
    QString m_initials;
    QString m_date;
};
