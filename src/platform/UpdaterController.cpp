#include "UpdaterController.h"

#include "VersionNumber.h"
#include "net/NetworkReplyPtr.h"

#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

#include <QCoroNetworkReply>

#include <chrono>

using namespace std::chrono_literals;

namespace
{

QJsonObject embeddedPropertyList()
{
    QFile file(QStringLiteral(":/Info.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString textValue(const QJsonObject &info, const char *key)
{
    const QJsonValue value = info.value(QLatin1String(key));
    return value.isString() ? value.toString() : QString();
}

} // namespace

UpdaterController::UpdaterController(QObject *parent) : UpdaterController(embeddedPropertyList(), parent) {}

UpdaterController::UpdaterController(const QJsonObject &info, QObject *parent)
    : QObject(parent), m_isConfigured(isConfiguredKey(info.value(QLatin1String("SUPublicEDKey")))),
      m_feedURL(textValue(info, "SUFeedURL"), QUrl::StrictMode),
      m_currentVersion(textValue(info, "CFBundleShortVersionString"))
{
    if (!m_isConfigured)
        return;
    m_network = new QNetworkAccessManager(this);
    m_canCheckForUpdates = true;
}

UpdaterController::~UpdaterController() = default;

bool UpdaterController::isConfiguredKey(const QJsonValue &publicKey)
{
    // Not trimmed: a key of blanks counts as set.
    const QString key = publicKey.isString() ? publicKey.toString() : QString();
    return !key.isEmpty() && !key.startsWith(QLatin1String("REPLACE_WITH"));
}

QCoro::Task<std::optional<UpdateCheckResult>> UpdaterController::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        co_return std::nullopt;
    QPointer self(this);
    setCanCheckForUpdates(false);
    const std::optional<UpdateFeed> feed = co_await fetchFeed();
    if (!self)
        co_return std::nullopt;
    setCanCheckForUpdates(true);
    co_return resultFor(feed);
}

QCoro::Task<std::optional<UpdateFeed>> UpdaterController::fetchFeed()
{
    if (!m_feedURL.isValid() || m_feedURL.isRelative())
        co_return std::nullopt;
    QNetworkRequest request(m_feedURL);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    const NetworkReplyPtr reply(m_network->get(request));
    const bool finished = co_await qCoro(reply.get()).waitForFinished(60s);
    if (!finished || reply->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    co_return UpdateFeed::fromJson(reply->readAll());
}

UpdateCheckResult UpdaterController::resultFor(const std::optional<UpdateFeed> &feed) const
{
    UpdateCheckResult result;
    result.currentVersion = m_currentVersion;
    if (!feed)
        return result;
    if (VersionNumber::compare(feed->version, m_currentVersion) <= 0) {
        result.outcome = UpdateCheckResult::Outcome::UpToDate;
        return result;
    }
    result.outcome = UpdateCheckResult::Outcome::UpdateAvailable;
    result.availableVersion = feed->version;
    result.downloadURL = feed->downloadURL;
    return result;
}

void UpdaterController::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    Q_EMIT canCheckForUpdatesChanged(value);
}
