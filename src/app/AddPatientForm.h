#pragma once

#include <QObject>

#include <QCoroTask>

class BusyButton;
class PatientStore;
class QLabel;
class QLineEdit;
class ScreenAction;

// Adding a patient by name, as the first-patient screen and the settings window both do it. The button is
// ready while the trimmed name is non-empty and busy while the one creation runs; the caption shows why a
// creation failed until the next attempt. The new patient is selected when a choice of patient may move the
// selection then. Each screen lays out the field, button and caption itself, binds Return its own way and
// decides what follows a creation.
class AddPatientForm final : public QObject
{
    Q_OBJECT

public:
    AddPatientForm(PatientStore *patientStore, QLineEdit *name, BusyButton *button, QLabel *error, QObject *parent);

    // Creates the patient named in the field, trimmed; does nothing for a blank name or while one is created.
    void submit();

Q_SIGNALS:
    void created();
    void failed();

private:
    void refreshButton();
    QCoro::Task<> runCreate(QString name);

    PatientStore *m_patientStore = nullptr;
    QLineEdit *m_name = nullptr;
    BusyButton *m_button = nullptr;
    QLabel *m_error = nullptr;
    ScreenAction *m_create = nullptr;
};
