#include "MedbitStore.h"

#include "net/APIClient.h"

#include <QJsonArray>
#include <QPointer>

#include <algorithm>

namespace
{

// The fields of an entry that the service lets a client write: neither its id nor its documents.
QJsonObject payload(const Medbit &medbit)
{
    QJsonObject object{
        {QLatin1StringView("entryText"), medbit.entryText},
        {QLatin1StringView("date"), medbit.date},
        {QLatin1StringView("isApproxDate"), medbit.isApproxDate},
        {QLatin1StringView("isLocked"), medbit.isLocked},
        {QLatin1StringView("isStarred"), medbit.isStarred},
        {QLatin1StringView("tags"), QJsonArray::fromStringList(medbit.tags)},
    };
    Json::putOptional(object, QLatin1StringView("translated"), medbit.translated);
    Json::putOptional(object, QLatin1StringView("language"), medbit.language);
    return object;
}

// The service's copy from a read that began before a change made here: it knows the entry's documents but
// not the change, so the fields a client writes come from the copy held here.
Medbit merged(Medbit replied, const Medbit &held)
{
    replied.entryText = held.entryText;
    replied.translated = held.translated;
    replied.language = held.language;
    replied.date = held.date;
    replied.isApproxDate = held.isApproxDate;
    replied.isLocked = held.isLocked;
    replied.isStarred = held.isStarred;
    replied.tags = held.tags;
    return replied;
}

template <typename T> void carry(T &newest, const T &before, const T &after)
{
    if (after != before)
        newest = after;
}

// `newest` with what `after` changed from `before`, field by field.
Medbit rebased(Medbit newest, const Medbit &before, const Medbit &after)
{
    carry(newest.entryText, before.entryText, after.entryText);
    carry(newest.translated, before.translated, after.translated);
    carry(newest.language, before.language, after.language);
    carry(newest.date, before.date, after.date);
    carry(newest.isApproxDate, before.isApproxDate, after.isApproxDate);
    carry(newest.isLocked, before.isLocked, after.isLocked);
    carry(newest.isStarred, before.isStarred, after.isStarred);
    carry(newest.tags, before.tags, after.tags);
    return newest;
}

QString idOf(const Medbit &medbit)
{
    return medbit.id;
}

} // namespace

MedbitStore::MedbitStore(const QString &patientID, QObject *parent) : QObject(parent), m_patientID(patientID) {}

void MedbitStore::setMedbits(const QList<Medbit> &medbits)
{
    if (m_medbits == medbits)
        return;
    m_medbits = medbits;
    Q_EMIT medbitsChanged();
}

void MedbitStore::setMedbitsOfPatient(const QList<Medbit> &medbits, const QString &patientID)
{
    if (patientID != m_patientID)
        return;
    // Entries put in here (made by the import) stay when a list asked for before them answers.
    QSet<QString> known;
    for (const Medbit &medbit : std::as_const(m_medbits))
        known.insert(medbit.id);
    for (const Medbit &medbit : medbits) {
        if (!known.contains(medbit.id))
            m_changes.touch(medbit.id);
    }
    setMedbits(medbits);
}

void MedbitStore::setPatientID(const QString &id)
{
    if (m_patientID == id)
        return;
    m_patientID = id;
    Q_EMIT patientIDChanged(id);
    setMedbits({});
    const QStringList failed = m_detailErrors.keys();
    for (const QString &failedID : failed)
        setDetailError(failedID, std::nullopt);
    m_goneIDs.clear();
    QMetaObject::invokeMethod(this, &MedbitStore::loadMedbits, Qt::QueuedConnection);
}

QCoro::Task<> MedbitStore::loadMedbits()
{
    if (m_patientID.isEmpty())
        co_return;
    const QString patientID = m_patientID;
    const Generation::Token load = m_loads.next();
    const LocalChanges::Mark mark = m_changes.mark();
    setIsLoading(true);
    QPointer<MedbitStore> self(this);
    std::optional<QList<Medbit>> medbits;
    std::optional<QString> error;
    // Built outside co_await: GCC 12 destroys an aggregate built inside one twice.
    const APIRequest request{.path = QStringLiteral("/medbits/list/summary"),
                             .query = {{QStringLiteral("patientId"), patientID}}};
    try {
        medbits = co_await APIClient::shared().requestDecodedAside<QList<Medbit>>(request);
    } catch (const APIError &failure) {
        error = failure.description();
    }
    // Only the newest load speaks, and only for the patient it was started for: a slow reply for an
    // earlier patient must never show its entries under the one now open.
    if (!self || !m_loads.isCurrent(load))
        co_return;
    if (patientID == m_patientID) {
        if (medbits)
            setMedbits(m_changes.overReply(*medbits, m_medbits, mark, idOf, merged));
        setLastError(error);
    }
    setIsLoading(false);
}

QCoro::Task<std::optional<Medbit>> MedbitStore::fetchMedbit(QString id)
{
    QPointer<MedbitStore> self(this);
    setDetailError(id, std::nullopt);
    const LocalChanges::Mark mark = m_changes.mark();
    std::optional<Medbit> medbit;
    std::optional<QString> failure;
    const APIRequest request{.path = QStringLiteral("/medbits/get"), .query = {{QStringLiteral("medbitId"), id}}};
    try {
        medbit = co_await APIClient::shared().request<std::optional<Medbit>>(request);
    } catch (const APIError &error) {
        // A failed refresh of one entry is not a list failure: the list keeps the copy it has.
        failure = error.description();
    }
    // The service answers null for an entry it no longer has (deleted elsewhere).
    const bool gone = !medbit && !failure;
    // A reply about another entry says nothing about this one, and must not overwrite that other row.
    if (medbit && medbit->id != id) {
        medbit.reset();
        failure = APIError::decodingFailed().description();
    }
    if (!self)
        co_return medbit;
    setDetailError(id, failure);
    if (gone)
        markGone(id);
    if (!medbit)
        co_return medbit;
    if (m_changes.isChangedSince(mark, id)) {
        if (const std::optional<Medbit> held = listed(id))
            medbit = merged(*medbit, *held);
    }
    replaceFirst(*medbit);
    co_return medbit;
}

std::optional<QString> MedbitStore::detailError(const QString &id) const
{
    const auto found = m_detailErrors.constFind(id);
    return found == m_detailErrors.cend() ? std::nullopt : std::optional<QString>(*found);
}

void MedbitStore::setDetailError(const QString &id, const std::optional<QString> &error)
{
    if (detailError(id) == error)
        return;
    if (error)
        m_detailErrors.insert(id, *error);
    else
        m_detailErrors.remove(id);
    Q_EMIT detailErrorChanged(id);
}

QCoro::Task<Medbit> MedbitStore::createMedbit(Medbit medbit)
{
    return createMedbit(std::move(medbit), m_patientID);
}

QCoro::Task<Medbit> MedbitStore::createMedbit(Medbit medbit, QString patientID)
{
    const QJsonObject body{{QLatin1StringView("patientId"), patientID}, {QLatin1StringView("medbit"), payload(medbit)}};
    APIRequest request{.method = HTTPMethod::POST, .path = QStringLiteral("/medbits/create")};
    request.setJSONBody(body);
    QPointer<MedbitStore> self(this);
    const Medbit created = co_await APIClient::shared().request<Medbit>(request);
    // An entry made for a patient that is no longer open does not belong in this list.
    if (self && patientID == m_patientID) {
        m_changes.touch(created.id);
        m_medbits.prepend(created);
        Q_EMIT medbitsChanged();
    }
    co_return created;
}

QCoro::Task<Medbit> MedbitStore::updateMedbit(Medbit before, Medbit after)
{
    return updateMedbit(std::move(before), std::move(after), m_patientID);
}

QCoro::Task<Medbit> MedbitStore::updateMedbit(Medbit before, Medbit after, QString patientID)
{
    LocalChanges::Turn turn = m_changes.begin(after.id);
    // Ends, letting the next update of this entry start, once the reply is in the list.
    const LocalChanges::Change change = co_await turn;
    const Medbit medbit = rebased(listed(after.id).value_or(before), before, after);
    QJsonObject body = payload(medbit);
    body.insert(QLatin1StringView("patientId"), patientID);
    APIRequest request{.method = HTTPMethod::PUT,
                       .path = QStringLiteral("/medbits/update"),
                       .query = {{QStringLiteral("medbitId"), medbit.id}}};
    request.setJSONBody(body);
    QPointer<MedbitStore> self(this);
    const Medbit updated = co_await APIClient::shared().request<Medbit>(request);
    if (self)
        replaceFirst(updated);
    co_return updated;
}

QCoro::Task<> MedbitStore::deleteMedbit(Medbit medbit)
{
    const APIRequest request{.method = HTTPMethod::DELETE, .path = QStringLiteral("/medbits/delete/") + medbit.id};
    QPointer<MedbitStore> self(this);
    co_await APIClient::shared().request<EmptyResponse>(request);
    if (!self)
        co_return;
    m_changes.touch(medbit.id);
    removeAll(medbit.id);
}

std::optional<Medbit> MedbitStore::listed(const QString &id) const
{
    const auto it =
        std::find_if(m_medbits.cbegin(), m_medbits.cend(), [&](const Medbit &medbit) { return medbit.id == id; });
    return it == m_medbits.cend() ? std::nullopt : std::optional<Medbit>(*it);
}

void MedbitStore::removeAll(const QString &id)
{
    const qsizetype removed = m_medbits.removeIf([&](const Medbit &medbit) { return medbit.id == id; });
    if (removed > 0)
        Q_EMIT medbitsChanged();
}

// Told before the entry leaves the list, so that whoever shows it can say why it went.
void MedbitStore::markGone(const QString &id)
{
    m_goneIDs.insert(id);
    m_changes.touch(id);
    Q_EMIT medbitGone(id);
    removeAll(id);
}

void MedbitStore::setIsLoading(bool isLoading)
{
    if (m_isLoading == isLoading)
        return;
    m_isLoading = isLoading;
    Q_EMIT isLoadingChanged(isLoading);
}

void MedbitStore::setLastError(const std::optional<QString> &error)
{
    if (m_lastError == error)
        return;
    m_lastError = error;
    Q_EMIT lastErrorChanged();
}

void MedbitStore::replaceFirst(const Medbit &medbit)
{
    // Looked up without writing: the list shares its entries with the views, and a write would copy all of
    // them even when nothing changes.
    const auto it = std::find_if(m_medbits.cbegin(), m_medbits.cend(),
                                 [&](const Medbit &listed) { return listed.id == medbit.id; });
    if (it == m_medbits.cend() || *it == medbit)
        return;
    m_medbits[it - m_medbits.cbegin()] = medbit;
    Q_EMIT medbitsChanged();
}
