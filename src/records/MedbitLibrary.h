#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class PatientMedbits;

// Every patient's entries that the program has opened, one copy each: the program makes one library and
// each window's store shows the patient it has open from it. A patient's entries stay here when no window
// shows them, with the changes that still run on them.
class MedbitLibrary final : public QObject
{
    Q_OBJECT

public:
    explicit MedbitLibrary(QObject *parent = nullptr) : QObject(parent) {}

    // Made on first use; never null for a patient id.
    PatientMedbits *patient(const QString &patientID);

private:
    QHash<QString, PatientMedbits *> m_patients;
};
