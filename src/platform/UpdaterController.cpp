#include "UpdaterController.h"

#include "UrlOpener.h"
#include "VersionNumber.h"
#include "net/NetworkReplyPtr.h"

#include <QFile>
#include <QJsonDocument>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

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

void UpdaterController::checkForUpdates(QWidget *parent)
{
    if (!m_canCheckForUpdates)
        return;
    runCheck(parent);
}

QCoro::Task<> UpdaterController::runCheck(QPointer<QWidget> parent)
{
    QPointer self(this);
    setCanCheckForUpdates(false);
    const std::optional<UpdateFeed> feed = co_await fetchFeed();
    if (!self)
        co_return;
    setCanCheckForUpdates(true);
    showResult(parent, feed);
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

void UpdaterController::showResult(QWidget *parent, const std::optional<UpdateFeed> &feed)
{
    auto *box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("updateResultDialog"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (!feed) {
        box->setIcon(QMessageBox::Warning);
        box->setText(tr("Couldn't check for updates."));
        box->setInformativeText(tr("The update information could not be loaded. Please try again later."));
        box->setStandardButtons(QMessageBox::Ok);
    } else if (VersionNumber::compare(feed->version, m_currentVersion) > 0) {
        box->setText(tr("Vantorelle %1 is available.").arg(feed->version));
        box->setInformativeText(tr("You have version %1.").arg(m_currentVersion));
        QPushButton *download = box->addButton(tr("Download"), QMessageBox::AcceptRole);
        download->setObjectName(QStringLiteral("downloadButton"));
        box->addButton(tr("Later"), QMessageBox::RejectRole)->setObjectName(QStringLiteral("laterButton"));
        box->setDefaultButton(download);
        const QUrl page = feed->downloadURL;
        connect(download, &QPushButton::clicked, box, [page] { UrlOpener::open(page); });
    } else {
        box->setText(tr("Vantorelle is up to date."));
        box->setInformativeText(tr("Version %1 is the newest version available.").arg(m_currentVersion));
        box->setStandardButtons(QMessageBox::Ok);
    }
    box->open();
}

void UpdaterController::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    Q_EMIT canCheckForUpdatesChanged(value);
}
