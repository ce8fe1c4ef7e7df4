#include "LinkDownload.h"

#include "APIClient.h"
#include "ReplyMonitor.h"

#include <QFile>
#include <QFuture>
#include <QNetworkAccessManager>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace LinkDownload
{

bool isRemote(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https");
}

NetworkReplyPtr start(const QUrl &url)
{
    const QNetworkRequest request(url);
    return NetworkReplyPtr(APIClient::shared().network()->get(request));
}

QCoro::Task<Result> finish(NetworkReplyPtr reply)
{
    auto *monitor = new ReplyMonitor(reply.get(), APIClient::shared().idleTimeout());
    while (!reply->isFinished())
        co_await monitor->nextActivity();

    if (reply->error() == QNetworkReply::OperationCanceledError && !monitor->hasTimedOut())
        co_return Result{Outcome::cancelled, {}};
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
        co_return Result{Outcome::failed, {}};
    co_return Result{Outcome::loaded, reply->readAll()};
}

QCoro::Task<Result> readFile(QString path)
{
    QFuture<Result> reading = QtConcurrent::run([path] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return Result{Outcome::failed, {}};
        return Result{Outcome::loaded, file.readAll()};
    });
    co_return co_await reading;
}

QCoro::Task<Result> fetch(QUrl url, QPointer<QNetworkReply> &current)
{
    if (url.isLocalFile())
        co_return co_await readFile(url.toLocalFile());
    if (!isRemote(url))
        co_return Result{};
    NetworkReplyPtr reply = start(url);
    current = reply.get();
    co_return co_await finish(std::move(reply));
}

} // namespace LinkDownload
