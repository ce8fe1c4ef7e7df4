#pragma once

#include "Medbit.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <optional>

class MedbitLibrary;
class PatientMedbits;

// A window's view of the timeline entries of the patient it has open, and the door to every change of a
// single entry. The entries themselves, and the changes running on them, live once for the whole program in
// the library (see PatientMedbits): two windows on one patient show and change one list. setPatientID()
// opens a patient and loads its list; work begun for a patient stays with that patient when another opens.
class MedbitStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Medbit> medbits READ medbits WRITE setMedbits NOTIFY medbitsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString patientID READ patientID WRITE setPatientID NOTIFY patientIDChanged)

public:
    // Over a library of its own, shared with no other store.
    explicit MedbitStore(const QString &patientID = {}, QObject *parent = nullptr);
    MedbitStore(MedbitLibrary *library, const QString &patientID = {}, QObject *parent = nullptr);

    const QList<Medbit> &medbits() const;
    void setMedbits(const QList<Medbit> &medbits);
    bool isLoading() const;
    std::optional<QString> lastError() const;
    QString patientID() const { return m_patientID; }
    // The same id does nothing; another shows that patient's entries and starts their load on the next
    // event-loop turn; the empty id shows only what was put in for no patient.
    void setPatientID(const QString &id);
    // The entries of `patientID` whichever patient is open: for work that must stay with one patient.
    PatientMedbits *patient(const QString &patientID) const;

    // Never throws: a failure lands in lastError.
    QCoro::Task<> loadMedbits();
    // The entry in full, replacing the listed one; nullopt on any failure or a reply about another entry.
    // The failure is kept as the entry's detailError until its next fetch starts. When the service no longer
    // has the entry, it leaves the list and is reported gone (medbitGone).
    QCoro::Task<std::optional<Medbit>> fetchMedbit(QString id);
    std::optional<QString> detailError(const QString &id) const;
    // The service answered that it no longer has the entry.
    bool isGone(const QString &id) const;
    // The listed copy is the whole entry (or is being read): a new list of the patient lists summaries.
    bool isFetchedInFull(const QString &id) const;
    // These throw APIError and leave the list unchanged on failure.
    QCoro::Task<Medbit> createMedbit(Medbit medbit);
    // `after` is the caller's copy `before` with its changes. Only the fields it changed are written, onto the
    // newest copy held (the listed one, else `before`), and one change of an entry runs at a time: a change
    // made from a copy that has since grown older never sends that copy's values of the other fields.
    QCoro::Task<Medbit> updateMedbit(Medbit before, Medbit after);
    QCoro::Task<> deleteMedbit(Medbit medbit);

Q_SIGNALS:
    void medbitsChanged();
    void isLoadingChanged(bool isLoading);
    void lastErrorChanged();
    void patientIDChanged(const QString &id);
    void detailErrorChanged(const QString &id);
    // Before the entry leaves the list.
    void medbitGone(const QString &id);

private:
    void follow(PatientMedbits *medbits);

    MedbitLibrary *m_library = nullptr;
    QString m_patientID;
    QPointer<PatientMedbits> m_open;
};
