#pragma once

#include <QWidget>

class QLabel;

// Shown in place of the first-patient onboarding when the account's patients could not be loaded, so an
// account that has patients is never invited to create a duplicate first one.
class PatientsLoadFailedView final : public QWidget
{
    Q_OBJECT

public:
    explicit PatientsLoadFailedView(QWidget *parent = nullptr);

    void setErrorText(const QString &text);

Q_SIGNALS:
    void tryAgainRequested();

private:
    QLabel *m_error = nullptr;
};
