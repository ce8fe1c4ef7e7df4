#pragma once

#include "Records.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

// Everything the stand-in knows. httplib serves on a pool of threads, so every
// route takes `mutex` for the whole of its work on the state.
struct StandinState {
    // What a reset brings back: nothing, the demo account, or the demo account with one very long timeline.
    enum class Seed { none, demo, large };

    struct TokenPair {
        QString access;
        QString refresh;
    };

    StandinState(QString origin, Seed seed);

    std::mutex mutex;
    const QString origin; // http://127.0.0.1:PORT
    const Seed seed;

    QList<User> users;
    QList<Patient> patients;
    QList<Medbit> medbits;
    QList<Document> documents;
    QList<Analysis> analyses;

    void reset();
    QString newId();

    User *userById(const QString &id);
    User *userByEmail(const QString &email);
    Patient *patient(const QString &id);
    Medbit *medbit(const QString &id);
    Document *document(const QString &id);
    QList<Document *> documentsOf(const QStringList &ids);

    TokenPair issueTokens(const QString &userId);
    std::optional<QString> userForAccessToken(const QString &token) const;
    std::optional<QString> userForRefreshToken(const QString &token) const;
    void revokeAccessToken(const QString &token);
    void expireAccessTokens();

    QJsonObject medbitJson(const Medbit &medbit);

private:
    quint64 m_nextId = 1;
    QHash<QString, QString> m_accessTokens; // token -> user id
    QHash<QString, QString> m_refreshTokens;
};
