#pragma once

#include "Records.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

// Everything the stand-in knows. httplib serves on a pool of threads, so every
// route takes `mutex` for the whole of its work on the state.
struct StandinState {
    // What a reset brings back: nothing, the demo account, or the demo account with one very long timeline.
    // The value is the digit that sets the seed's ids apart from every other seed's (newId).
    enum class Seed { none = 0, demo = 1, large = 2 };

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
    QList<Channel> channels;
    // Records a test control adds to a patient's document list as they are, after the stored documents:
    // shapes the service may send but the stand-in never makes itself, such as a record without "_id".
    QHash<QString, QJsonArray> listedRecords;
    QList<Analysis> analyses;

    void reset();
    QString newId();

    User *userById(const QString &id);
    User *userByEmail(const QString &email);
    Patient *patient(const QString &id);
    Medbit *medbit(const QString &id);
    Document *document(const QString &id);
    Channel *channel(const QString &id);
    QList<Document *> documentsOf(const QStringList &ids);

    TokenPair issueTokens(const QString &userId);
    std::optional<QString> userForAccessToken(const QString &token) const;
    std::optional<QString> userForRefreshToken(const QString &token) const;
    void revokeAccessToken(const QString &token);
    void expireAccessTokens();

    QJsonObject medbitJson(const Medbit &medbit);
    // The same, with the entry's documents looked up in `documentsById` (for whole lists: one lookup each).
    QJsonObject medbitJson(const Medbit &medbit, const QHash<QString, const Document *> &documentsById) const;

    // A patient's entry list as sent, built once and kept until the patient's entries or their documents
    // change: a 10,000-entry list takes about 100 ms to build.
    std::shared_ptr<const std::string> listReply(const QString &patientId) const;
    void keepListReply(const QString &patientId, std::shared_ptr<const std::string> reply);
    // After a request that may have written (see Router): drops the replies whose list would now differ.
    void forgetChangedListReplies();

private:
    // What a patient's list reply is made of, compared after a write to tell whether the reply still holds.
    struct ListSource {
        QList<Medbit> entries;
        QList<QStringList> documents; // the listed fields of each attached document

        friend bool operator==(const ListSource &, const ListSource &) = default;
    };
    struct KeptList {
        std::shared_ptr<const std::string> reply;
        ListSource source;
    };

    ListSource listSource(const QString &patientId) const;
    // The fields of an attached document that its entry's list shows.
    static QStringList listedFields(const Document &document);
    // Whether `source` is still what the patient's list is made from.
    bool isListSource(const QString &patientId, const ListSource &source) const;

    quint64 m_nextId = 1;
    QHash<QString, QString> m_accessTokens; // token -> user id
    QHash<QString, QString> m_refreshTokens;
    QHash<QString, KeptList> m_listReplies; // by patient id
};
