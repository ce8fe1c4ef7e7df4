#include "PatientMedbits.h"

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

// The service's full copy from a read that began before a change made here: it knows the entry's documents
// but not the change, so the fields a client writes come from the copy held here.
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

// An entry the reply does not list yet keeps its place: after the one it followed in the list held, or in
// front when it led it (as a new entry does).
void insertAfterItsPredecessor(QList<Medbit> &list, const QList<Medbit> &held, qsizetype heldIndex)
{
    for (qsizetype before = heldIndex - 1; before >= 0; --before) {
        const QString &id = held.at(before).id;
        const auto at = std::find_if(list.cbegin(), list.cend(), [&](const Medbit &m) { return m.id == id; });
        if (at != list.cend()) {
            list.insert(at - list.cbegin() + 1, held.at(heldIndex));
            return;
        }
    }
    list.prepend(held.at(heldIndex));
}

constexpr int notFound = 404;

} // namespace

PatientMedbits::PatientMedbits(QString patientID, QObject *parent) : QObject(parent), m_patientID(std::move(patientID))
{
}

void PatientMedbits::setMedbits(const QList<Medbit> &medbits)
{
    if (m_medbits == medbits)
        return;
    m_medbits = medbits;
    Q_EMIT medbitsChanged();
}

QCoro::Task<> PatientMedbits::loadMedbits()
{
    // The entries of no patient are only what is put in.
    if (m_patientID.isEmpty())
        co_return;
    const Generation::Token load = m_loads.next();
    const LocalChanges::Mark mark = m_changes.mark();
    setIsLoading(true);
    QPointer<PatientMedbits> self(this);
    std::optional<QList<Medbit>> medbits;
    std::optional<QString> error;
    // Built outside co_await: GCC 12 destroys an aggregate built inside one twice.
    const APIRequest request{.path = QStringLiteral("/medbits/list/summary"),
                             .query = {{QStringLiteral("patientId"), m_patientID}}};
    try {
        medbits = co_await APIClient::shared().requestDecodedAside<QList<Medbit>>(request);
    } catch (const APIError &failure) {
        error = failure.description();
    }
    // Only the newest load speaks: an overtaken one was read before it.
    if (!self || !m_loads.isCurrent(load))
        co_return;
    if (medbits) {
        const QList<Medbit> list = overList(*medbits, mark);
        keepFullCopiesListedIn(list);
        setMedbits(list);
    }
    setLastError(error);
    setIsLoading(false);
}

// The reply of a list read that began at `mark`, set against the list held now. An entry changed here since
// (or being changed) keeps the copy held, or stays out when it is no longer held (deleted or gone); one made
// here that the reply does not list yet keeps its place. Every other entry takes the reply's copy.
QList<Medbit> PatientMedbits::overList(const QList<Medbit> &reply, LocalChanges::Mark mark)
{
    const QSet<QString> changed = m_changes.changedSince(mark);
    // Nothing changed meanwhile, as mostly: the reply is the list, shared rather than copied entry by entry.
    if (changed.isEmpty())
        return reply;
    QHash<QString, qsizetype> heldAt;
    for (qsizetype i = m_medbits.size() - 1; i >= 0; --i)
        heldAt.insert(m_medbits.at(i).id, i);
    QSet<QString> replied;
    QList<Medbit> list;
    list.reserve(reply.size());
    for (const Medbit &medbit : reply) {
        replied.insert(medbit.id);
        const auto held = heldAt.constFind(medbit.id);
        const Medbit *mine = held == heldAt.cend() ? nullptr : &m_medbits.at(*held);
        if (!changed.contains(medbit.id))
            list.append(medbit);
        else if (mine)
            list.append(*mine);
    }
    for (qsizetype i = 0; i < m_medbits.size(); ++i) {
        const QString &id = m_medbits.at(i).id;
        if (changed.contains(id) && !replied.contains(id)) {
            insertAfterItsPredecessor(list, m_medbits, i);
            replied.insert(id);
        }
    }
    return list;
}

// An entry stays read in full only where the new list holds the same copy: a summary replaces it.
void PatientMedbits::keepFullCopiesListedIn(const QList<Medbit> &list)
{
    if (m_fullIDs.isEmpty())
        return;
    QHash<QString, const Medbit *> full;
    for (const Medbit &medbit : std::as_const(m_medbits)) {
        if (m_fullIDs.contains(medbit.id) && !full.contains(medbit.id))
            full.insert(medbit.id, &medbit);
    }
    QSet<QString> kept;
    for (const Medbit &medbit : list) {
        const Medbit *held = full.value(medbit.id);
        if (held && *held == medbit)
            kept.insert(medbit.id);
    }
    m_fullIDs = kept;
}

QCoro::Task<std::optional<Medbit>> PatientMedbits::fetchMedbit(QString id)
{
    QPointer<PatientMedbits> self(this);
    setDetailError(id, std::nullopt);
    m_fetchingIDs.insert(id);
    std::optional<Medbit> medbit = co_await readMedbit(id);
    if (self)
        m_fetchingIDs.remove(id);
    co_return medbit;
}

QCoro::Task<std::optional<Medbit>> PatientMedbits::readMedbit(QString id)
{
    QPointer<PatientMedbits> self(this);
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
    const std::optional<Medbit> held = listed(id);
    if (held && m_changes.isChangedSince(mark, id))
        medbit = merged(*medbit, *held);
    if (held)
        m_fullIDs.insert(id);
    replaceFirst(*medbit);
    co_return medbit;
}

std::optional<QString> PatientMedbits::detailError(const QString &id) const
{
    const auto found = m_detailErrors.constFind(id);
    return found == m_detailErrors.cend() ? std::nullopt : std::optional<QString>(*found);
}

void PatientMedbits::setDetailError(const QString &id, const std::optional<QString> &error)
{
    if (detailError(id) == error)
        return;
    if (error)
        m_detailErrors.insert(id, *error);
    else
        m_detailErrors.remove(id);
    Q_EMIT detailErrorChanged(id);
}

QCoro::Task<Medbit> PatientMedbits::createMedbit(Medbit medbit)
{
    const QJsonObject body{{QLatin1StringView("patientId"), m_patientID},
                           {QLatin1StringView("medbit"), payload(medbit)}};
    APIRequest request{.method = HTTPMethod::POST, .path = QStringLiteral("/medbits/create")};
    request.setJSONBody(body);
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    QPointer<PatientMedbits> self(this);
    std::optional<Medbit> created;
    try {
        created = co_await APIClient::shared().request<Medbit>(request);
    } catch (const APIError &error) {
        hold.fail(error);
        throw;
    }
    if (self)
        addCreated({*created});
    co_return *created;
}

void PatientMedbits::addCreated(const QList<Medbit> &created)
{
    // A list read while the creation ran may already hold the entry: it is listed once, in the reply's copy.
    QList<Medbit> list = m_medbits;
    QList<Medbit> front;
    for (const Medbit &medbit : created) {
        m_changes.touch(medbit.id);
        const auto listedAt =
            std::find_if(list.begin(), list.end(), [&](const Medbit &m) { return m.id == medbit.id; });
        if (listedAt != list.end())
            *listedAt = medbit;
        else
            front.append(medbit);
    }
    setMedbits(front + list);
}

QCoro::Task<Medbit> PatientMedbits::updateMedbit(Medbit before, Medbit after)
{
    // Held from here: a sign-out waits also while this change waits its turn.
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    LocalChanges::Turn turn = m_changes.begin(after.id);
    // Ends, letting the next change of this entry start, once the reply is in the list.
    const LocalChanges::Change change = co_await turn;
    const Medbit medbit = rebased(listed(after.id).value_or(before), before, after);
    QJsonObject body = payload(medbit);
    body.insert(QLatin1StringView("patientId"), m_patientID);
    APIRequest request{.method = HTTPMethod::PUT,
                       .path = QStringLiteral("/medbits/update"),
                       .query = {{QStringLiteral("medbitId"), medbit.id}}};
    request.setJSONBody(body);
    QPointer<PatientMedbits> self(this);
    std::optional<Medbit> updated;
    try {
        updated = co_await APIClient::shared().request<Medbit>(request);
    } catch (const APIError &error) {
        hold.fail(error);
        if (self)
            markGoneOnNotFound(medbit.id, error.status());
        throw;
    }
    if (self)
        replaceFirst(*updated);
    co_return *updated;
}

QCoro::Task<> PatientMedbits::deleteMedbit(Medbit medbit)
{
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    LocalChanges::Turn turn = m_changes.begin(medbit.id);
    // Held until the entry has left the list: a list read meanwhile neither keeps nor brings it back.
    const LocalChanges::Change change = co_await turn;
    const APIRequest request{.method = HTTPMethod::DELETE, .path = QStringLiteral("/medbits/delete/") + medbit.id};
    QPointer<PatientMedbits> self(this);
    try {
        co_await APIClient::shared().request<EmptyResponse>(request);
    } catch (const APIError &error) {
        // Not found: the entry is already gone, which is all the delete asked for.
        if (error.status() != notFound) {
            hold.fail(error);
            throw;
        }
        if (self)
            markGone(medbit.id);
        co_return;
    }
    if (self)
        removeAll(medbit.id);
}

QCoro::Task<std::optional<Medbit>> PatientMedbits::attachDocument(QString id, std::function<QCoro::Task<>()> upload)
{
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    LocalChanges::Turn turn = m_changes.begin(id);
    // Held through the read that follows: a list read meanwhile keeps the copy that lists the new document.
    const LocalChanges::Change change = co_await turn;
    QPointer<PatientMedbits> self(this);
    try {
        co_await upload();
    } catch (const std::exception &error) {
        hold.fail(error);
        throw;
    }
    if (!self)
        co_return std::nullopt;
    co_return co_await fetchMedbit(id);
}

std::optional<Medbit> PatientMedbits::listed(const QString &id) const
{
    const auto it =
        std::find_if(m_medbits.cbegin(), m_medbits.cend(), [&](const Medbit &medbit) { return medbit.id == id; });
    return it == m_medbits.cend() ? std::nullopt : std::optional<Medbit>(*it);
}

void PatientMedbits::replaceFirst(const Medbit &medbit)
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

void PatientMedbits::removeAll(const QString &id)
{
    m_fullIDs.remove(id);
    const qsizetype removed = m_medbits.removeIf([&](const Medbit &medbit) { return medbit.id == id; });
    if (removed > 0)
        Q_EMIT medbitsChanged();
}

// Told before the entry leaves the list, so that whoever shows it can say why it went.
void PatientMedbits::markGone(const QString &id)
{
    m_goneIDs.insert(id);
    m_changes.touch(id);
    Q_EMIT medbitGone(id);
    removeAll(id);
}

void PatientMedbits::markGoneOnNotFound(const QString &id, int status)
{
    if (status == notFound)
        markGone(id);
}

void PatientMedbits::setIsLoading(bool isLoading)
{
    if (m_isLoading == isLoading)
        return;
    m_isLoading = isLoading;
    Q_EMIT isLoadingChanged(isLoading);
}

void PatientMedbits::setLastError(const std::optional<QString> &error)
{
    if (m_lastError == error)
        return;
    m_lastError = error;
    Q_EMIT lastErrorChanged();
}
