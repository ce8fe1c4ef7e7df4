#pragma once

#include <QDialog>

class QLabel;

// Shown while the program waits to quit until the changes still on their way to the service have ended. It
// blocks nothing: the windows stay usable. "Quit Now" leaves the changes (they are cut off) and quits at
// once; "Cancel" (or Escape) keeps the program running. A change that fails meanwhile is shown here and the
// program stays, so that nothing is lost in silence.
class SavingChangesDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit SavingChangesDialog(QWidget *parent = nullptr);

    void showFailure(const QString &description);

Q_SIGNALS:
    void quitNowChosen();

private:
    QLabel *m_text = nullptr;
    QLabel *m_error = nullptr;
};
