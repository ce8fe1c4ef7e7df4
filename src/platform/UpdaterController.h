#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QUrl>

#include <QCoroTask>

#include "UpdateCheckResult.h"
#include "UpdateFeed.h"

#include <optional>

class QNetworkAccessManager;

// The "Check for Updates…" command's model. Updating is configured once, from
// the application's embedded property list (":/Info.json"): only a text
// SUPublicEDKey that is neither empty nor a "REPLACE_WITH…" placeholder turns
// it on. A check fetches the feed named by SUFeedURL and finds whether a newer
// version than CFBundleShortVersionString exists; the caller presents the
// result.
class UpdaterController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit UpdaterController(QObject *parent = nullptr);
    // The property list given directly (tests).
    explicit UpdaterController(const QJsonObject &info, QObject *parent = nullptr);
    ~UpdaterController() override;

    static bool isConfiguredKey(const QJsonValue &publicKey);

    bool isConfigured() const { return m_isConfigured; }
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    // Runs a check when one may start. Nothing when it may not (updating off, a
    // check running) or when the controller went away meanwhile.
    QCoro::Task<std::optional<UpdateCheckResult>> checkForUpdates();

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);

private:
    QCoro::Task<std::optional<UpdateFeed>> fetchFeed();
    UpdateCheckResult resultFor(const std::optional<UpdateFeed> &feed) const;
    void setCanCheckForUpdates(bool value);

    bool m_isConfigured = false;
    bool m_canCheckForUpdates = false;
    QUrl m_feedURL;
    QString m_currentVersion;
    QNetworkAccessManager *m_network = nullptr;
};
