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

#include <functional>
#include <optional>

// One patient's timeline entries, once for the whole program, and every change running on them: each window
// that shows the patient shows this list, and a change made in one window is held here for its whole run, so
// that no window sends its next change of an entry from an older copy, and no reply puts back an older one.
// A list or entry read that began before a change ended keeps the copy the change left (or is making); an
// entry this list fetched in full stays full until a newer list replaces it.
class PatientMedbits final : public QObject
{
    Q_OBJECT

public:
    explicit PatientMedbits(QString patientID, QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    const QList<Medbit> &medbits() const { return m_medbits; }
    void setMedbits(const QList<Medbit> &medbits);
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> lastError() const { return m_lastError; }
    std::optional<QString> detailError(const QString &id) const;
    bool isGone(const QString &id) const { return m_goneIDs.contains(id); }
    // The listed copy came from a read of the whole entry, or such a read runs now.
    bool isFetchedInFull(const QString &id) const { return m_fullIDs.contains(id) || m_fetchingIDs.contains(id); }

    // Never throws: a failure lands in lastError.
    QCoro::Task<> loadMedbits();
    // The entry in full; nullopt on any failure (kept as its detailError) or when the service no longer has it.
    QCoro::Task<std::optional<Medbit>> fetchMedbit(QString id);
    // These throw APIError and leave the list unchanged on failure; the service's "not found" for an entry
    // reports it gone first.
    QCoro::Task<Medbit> createMedbit(Medbit medbit);
    QCoro::Task<Medbit> updateMedbit(Medbit before, Medbit after);
    QCoro::Task<> deleteMedbit(Medbit medbit);
    // Runs `upload` of a document to the entry, then reads the entry in full, holding the entry meanwhile.
    QCoro::Task<std::optional<Medbit>> attachDocument(QString id, std::function<QCoro::Task<>()> upload);
    // Entries the service made for this patient elsewhere in the program (a batch save), put in front.
    void addCreated(const QList<Medbit> &created);

Q_SIGNALS:
    void medbitsChanged();
    void isLoadingChanged(bool isLoading);
    void lastErrorChanged();
    void detailErrorChanged(const QString &id);
    // Before the entry leaves the list.
    void medbitGone(const QString &id);

private:
    QCoro::Task<std::optional<Medbit>> readMedbit(QString id);
    QList<Medbit> overList(const QList<Medbit> &reply, LocalChanges::Mark mark);
    void keepFullCopiesListedIn(const QList<Medbit> &list);
    void setIsLoading(bool isLoading);
    void setLastError(const std::optional<QString> &error);
    void setDetailError(const QString &id, const std::optional<QString> &error);
    std::optional<Medbit> listed(const QString &id) const;
    void replaceFirst(const Medbit &medbit);
    void removeAll(const QString &id);
    void markGone(const QString &id);
    void markGoneOnNotFound(const QString &id, int status);

    QString m_patientID;
    QList<Medbit> m_medbits;
    bool m_isLoading = false;
    std::optional<QString> m_lastError;
    Generation m_loads;
    QHash<QString, QString> m_detailErrors;
    LocalChanges m_changes;
    QSet<QString> m_goneIDs;
    QSet<QString> m_fullIDs;
    QSet<QString> m_fetchingIDs;
};
