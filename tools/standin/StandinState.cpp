#include "StandinState.h"

#include "DemoSeed.h"
#include "LargeSeed.h"

#include <QJsonArray>
#include <QUuid>

StandinState::StandinState(QString origin, Seed seed) : origin(std::move(origin)), seed(seed)
{
    reset();
}

void StandinState::reset()
{
    users.clear();
    patients.clear();
    medbits.clear();
    documents.clear();
    channels.clear();
    listedRecords.clear();
    analyses.clear();
    m_accessTokens.clear();
    m_refreshTokens.clear();
    m_listReplies.clear();
    m_nextId = 1;
    if (seed == Seed::demo)
        DemoSeed::apply(*this);
    else if (seed == Seed::large)
        LargeSeed::apply(*this);
}

// Ids look like the service's: 24 hex digits, unique within a run and the same in every run of one seed. Each
// seed numbers in a range of its own: the program keeps what it knows of a patient on this computer under the
// patient's id (its clipboard history, its health story), so the demo's Alex and the large seed's Jordan, run one
// after the other in one home, must not share an id.
QString StandinState::newId()
{
    return QStringLiteral("66a%1%2").arg(int(seed)).arg(m_nextId++, 20, 16, QLatin1Char('0'));
}

User *StandinState::userById(const QString &id)
{
    for (User &user : users) {
        if (user.id == id)
            return &user;
    }
    return nullptr;
}

User *StandinState::userByEmail(const QString &email)
{
    for (User &user : users) {
        if (user.email.compare(email.trimmed(), Qt::CaseInsensitive) == 0)
            return &user;
    }
    return nullptr;
}

Patient *StandinState::patient(const QString &id)
{
    for (Patient &patient : patients) {
        if (patient.id == id)
            return &patient;
    }
    return nullptr;
}

Medbit *StandinState::medbit(const QString &id)
{
    for (Medbit &medbit : medbits) {
        if (medbit.id == id)
            return &medbit;
    }
    return nullptr;
}

Document *StandinState::document(const QString &id)
{
    for (Document &document : documents) {
        if (document.id == id)
            return &document;
    }
    return nullptr;
}

Channel *StandinState::channel(const QString &id)
{
    for (Channel &channel : channels) {
        if (channel.id == id)
            return &channel;
    }
    return nullptr;
}

QList<Document *> StandinState::documentsOf(const QStringList &ids)
{
    QList<Document *> result;
    for (const QString &id : ids) {
        if (Document *found = document(id))
            result.append(found);
    }
    return result;
}

StandinState::TokenPair StandinState::issueTokens(const QString &userId)
{
    TokenPair pair{QStringLiteral("acc.") + QUuid::createUuid().toString(QUuid::Id128),
                   QStringLiteral("ref.") + QUuid::createUuid().toString(QUuid::Id128)};
    m_accessTokens.insert(pair.access, userId);
    m_refreshTokens.insert(pair.refresh, userId);
    return pair;
}

std::optional<QString> StandinState::userForAccessToken(const QString &token) const
{
    const auto it = m_accessTokens.constFind(token);
    if (it == m_accessTokens.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QString> StandinState::userForRefreshToken(const QString &token) const
{
    const auto it = m_refreshTokens.constFind(token);
    if (it == m_refreshTokens.constEnd())
        return std::nullopt;
    return *it;
}

void StandinState::revokeAccessToken(const QString &token)
{
    m_accessTokens.remove(token);
}

void StandinState::expireAccessTokens()
{
    m_accessTokens.clear();
}

QJsonObject StandinState::medbitJson(const Medbit &medbit)
{
    QHash<QString, const Document *> documentsById;
    for (const Document *document : documentsOf(medbit.documentIds))
        documentsById.insert(document->id, document);
    return medbitJson(medbit, documentsById);
}

QJsonObject StandinState::medbitJson(const Medbit &medbit, const QHash<QString, const Document *> &documentsById) const
{
    QJsonArray docs;
    for (const QString &id : medbit.documentIds) {
        if (const Document *document = documentsById.value(id))
            docs.append(document->toJson(origin));
    }
    QJsonObject json{{QStringLiteral("_id"), medbit.id},
                     {QStringLiteral("entryText"), medbit.entryText},
                     {QStringLiteral("date"), medbit.date},
                     {QStringLiteral("isApproxDate"), medbit.isApproxDate},
                     {QStringLiteral("isLocked"), medbit.isLocked},
                     {QStringLiteral("isStarred"), medbit.isStarred},
                     {QStringLiteral("tags"), QJsonArray::fromStringList(medbit.tags)},
                     {QStringLiteral("documents"), docs}};
    if (medbit.translated)
        json.insert(QStringLiteral("translated"), *medbit.translated);
    if (medbit.language)
        json.insert(QStringLiteral("language"), *medbit.language);
    return json;
}

std::shared_ptr<const std::string> StandinState::listReply(const QString &patientId) const
{
    return m_listReplies.value(patientId).reply;
}

void StandinState::keepListReply(const QString &patientId, std::shared_ptr<const std::string> reply)
{
    m_listReplies.insert(patientId, KeptList{std::move(reply), listSource(patientId)});
}

QStringList StandinState::listedFields(const Document &document)
{
    return QStringList{document.id, document.fileName, document.type, document.uriToken} + document.medbitIds;
}

void StandinState::forgetChangedListReplies()
{
    m_listReplies.removeIf(
        [this](const QHash<QString, KeptList>::iterator kept) { return !isListSource(kept.key(), kept->source); });
}

bool StandinState::isListSource(const QString &patientId, const ListSource &source) const
{
    // Compared where the records lie rather than against a fresh copy: this runs after every write, before its
    // reply goes out, and copying a 10,000-entry list held each such reply back by some 16 ms.
    QHash<QString, const Document *> documentsById;
    for (const Document &document : documents)
        documentsById.insert(document.id, &document);
    qsizetype entry = 0;
    qsizetype attached = 0;
    for (const Medbit &medbit : medbits) {
        if (medbit.patientId != patientId)
            continue;
        if (entry == source.entries.size() || source.entries.at(entry++) != medbit)
            return false;
        for (const QString &id : medbit.documentIds) {
            const Document *document = documentsById.value(id);
            if (!document)
                continue;
            if (attached == source.documents.size())
                return false;
            if (source.documents.at(attached++) != listedFields(*document))
                return false;
        }
    }
    return entry == source.entries.size() && attached == source.documents.size();
}

StandinState::ListSource StandinState::listSource(const QString &patientId) const
{
    QHash<QString, const Document *> documentsById;
    for (const Document &document : documents)
        documentsById.insert(document.id, &document);
    ListSource source;
    for (const Medbit &medbit : medbits) {
        if (medbit.patientId != patientId)
            continue;
        source.entries.append(medbit);
        for (const QString &id : medbit.documentIds) {
            if (const Document *document = documentsById.value(id)) {
                source.documents.append(listedFields(*document));
            }
        }
    }
    return source;
}
