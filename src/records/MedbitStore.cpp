#include "MedbitStore.h"

#include "net/APIClient.h"

#include <QJsonArray>
#include <QPointer>

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
    if (patientID == m_patientID)
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
    QMetaObject::invokeMethod(this, &MedbitStore::loadMedbits, Qt::QueuedConnection);
}

QCoro::Task<> MedbitStore::loadMedbits()
{
    if (m_patientID.isEmpty())
        co_return;
    const QString patientID = m_patientID;
    const Generation::Token load = m_loads.next();
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
            setMedbits(*medbits);
        setLastError(error);
    }
    setIsLoading(false);
}

QCoro::Task<std::optional<Medbit>> MedbitStore::fetchMedbit(QString id)
{
    QPointer<MedbitStore> self(this);
    setDetailError(id, std::nullopt);
    std::optional<Medbit> medbit;
    std::optional<QString> failure;
    const APIRequest request{.path = QStringLiteral("/medbits/get"), .query = {{QStringLiteral("medbitId"), id}}};
    try {
        medbit = co_await APIClient::shared().request<std::optional<Medbit>>(request);
    } catch (const APIError &error) {
        // A failed refresh of one entry is not a list failure: the list keeps the copy it has.
        failure = error.description();
    }
    // A reply about another entry says nothing about this one, and must not overwrite that other row.
    if (medbit && medbit->id != id) {
        medbit.reset();
        failure = APIError::decodingFailed().description();
    }
    if (!self)
        co_return medbit;
    setDetailError(id, failure);
    if (medbit)
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
        m_medbits.prepend(created);
        Q_EMIT medbitsChanged();
    }
    co_return created;
}

QCoro::Task<Medbit> MedbitStore::updateMedbit(Medbit medbit)
{
    return updateMedbit(std::move(medbit), m_patientID);
}

QCoro::Task<Medbit> MedbitStore::updateMedbit(Medbit medbit, QString patientID)
{
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
    const qsizetype removed = m_medbits.removeIf([&](const Medbit &listed) { return listed.id == medbit.id; });
    if (removed > 0)
        Q_EMIT medbitsChanged();
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
