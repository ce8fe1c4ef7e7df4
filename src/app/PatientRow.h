#pragma once

#include <QAbstractButton>

// One patient in the settings window's list: the name on one line (elided with "…" when it does not fit)
// and a check mark on the chosen patient. The mark is the row's checked state, so assistive technology
// reads it with the name; the row is as tall as its font needs.
class PatientRow final : public QAbstractButton
{
    Q_OBJECT

public:
    PatientRow(const QString &name, bool isSelected, QWidget *parent = nullptr);

    // The name as the row shows it at its current width.
    QString shownName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override;

private:
    QRect nameRect() const;
    int checkMarkWidth() const;
};
