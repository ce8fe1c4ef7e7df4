#pragma once

#include <QDialog>

// The sheet after the first patient was created: import documents or enter entries by hand. It has no
// way to close of its own (Escape and the window's close do nothing); the window closes it on a choice.
class OnboardingImportChoiceView final : public QDialog
{
    Q_OBJECT

public:
    explicit OnboardingImportChoiceView(const QString &patientName, QWidget *parent = nullptr);

    void reject() override;

Q_SIGNALS:
    void importChosen();
    void manualChosen();

protected:
    void closeEvent(QCloseEvent *event) override;
};
