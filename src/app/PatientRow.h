#pragma once

#include <QAbstractButton>

// One patient in the settings window's list: the name on one line (elided with "…" when it does not fit)
// and a check mark on the current patient; the row is as tall as its font needs. A click asks for the patient;
// the list marks the current one. The row is not a checkable button, whose "Toggle" would flip the mark without
// a click: it tells assistive technology the mark as its checked state, and its accessible actions click it.
class PatientRow final : public QAbstractButton
{
    Q_OBJECT

public:
    PatientRow(const QString &patientID, const QString &name, QWidget *parent = nullptr);

    QString patientID() const { return m_patientID; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // The name as the row shows it at its current width.
    QString shownName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect nameRect() const;
    int checkMarkWidth() const;

    QString m_patientID;
    bool m_selected = false;
};
