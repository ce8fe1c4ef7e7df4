#pragma once

#include "Medbit.h"

#include "net/Generation.h"
#include "net/LocalChanges.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <QCoroTask>

#include <optional>

// The timeline entries of the open patient, and every change of a single entry on the service.
// setPatientID() opens a patient and loads its list; a reply for a patient that is no longer open is dropped.
// A reply never puts back an older copy of an entry: a list or an entry read that began before a change made
// here (an update, a creation, a deletion) keeps the fields written here as they are held now.
class MedbitStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Medbit> medbits READ medbits WRITE setMedbits NOTIFY medbitsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString patientID READ patientID WRITE setPatientID NOTIFY patientIDChanged)

public:
    explicit MedbitStore(const QString &patientID = {}, QObject *parent = nullptr);

    const QList<Medbit> &medbits() const { return m_medbits; }
    void setMedbits(const QList<Medbit> &medbits);
    // The same, only while the store shows `patientID`: a result that outlived a patient change is dropped.
    // The document import puts the entries it created at the front through this.
    void setMedbitsOfPatient(const QList<Medbit> &medbits, const QString &patientID);
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> lastError() const { return m_lastError; }
    QString patientID() const { return m_patientID; }
    // A new patient empties the list and starts its load on the next event-loop turn; the same id does nothing.
    void setPatientID(const QString &id);

    // Never throws: a failure lands in lastError.
    QCoro::Task<> loadMedbits();
    // The entry in full, replacing the listed one; nullopt on any failure or a reply about another entry.
    // The failure is kept as the entry's detailError until its next fetch starts or the patient changes.
    // When the service no longer has the entry, it leaves the list and is reported gone (medbitGone).
    QCoro::Task<std::optional<Medbit>> fetchMedbit(QString id);
    std::optional<QString> detailError(const QString &id) const;
    // The service answered that it no longer has the entry; forgotten when the patient changes.
    bool isGone(const QString &id) const { return m_goneIDs.contains(id); }
    // These throw APIError and leave the list unchanged on failure. Without a patient id they write under
    // the open patient; a caller that must stay with one patient through several steps passes it.
    QCoro::Task<Medbit> createMedbit(Medbit medbit);
    QCoro::Task<Medbit> createMedbit(Medbit medbit, QString patientID);
    // `after` is the caller's copy `before` with its changes. Only the fields it changed are written, onto the
    // newest copy held (the listed one, else `before`), and one update of an entry runs at a time: a change
    // made from a copy that has since grown older never sends that copy's values of the other fields.
    QCoro::Task<Medbit> updateMedbit(Medbit before, Medbit after);
    QCoro::Task<Medbit> updateMedbit(Medbit before, Medbit after, QString patientID);
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
    void setIsLoading(bool isLoading);
    void setLastError(const std::optional<QString> &error);
    void replaceFirst(const Medbit &medbit);
    void setDetailError(const QString &id, const std::optional<QString> &error);
    std::optional<Medbit> listed(const QString &id) const;
    void removeAll(const QString &id);
    void markGone(const QString &id);

    QList<Medbit> m_medbits;
    bool m_isLoading = false;
    std::optional<QString> m_lastError;
    QString m_patientID;
    Generation m_loads;
    QHash<QString, QString> m_detailErrors;
    LocalChanges m_changes;
    QSet<QString> m_goneIDs;
};
