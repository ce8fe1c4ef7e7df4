#pragma once

#include "NetworkReplyPtr.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <QCoroTask>

// Fetches the bytes behind a stored document's or image's link into memory. The links carry their own
// access, so no bearer token goes with them (and none leaks to the host that stores the files). Usage:
//   NetworkReplyPtr reply = LinkDownload::start(url);
//   m_reply = reply.get(); // the owner aborts it once it no longer wants the bytes
//   const LinkDownload::Result result = co_await LinkDownload::finish(std::move(reply));
namespace LinkDownload
{

enum class Outcome { loaded, failed, cancelled };

struct Result {
    Outcome outcome = Outcome::failed;
    QByteArray bytes;
};

// http and https links go through the network; file links are read from disk.
bool isRemote(const QUrl &url);

// A GET through the client's network, with the client's idle time-out and without the bearer header.
NetworkReplyPtr start(const QUrl &url);
// Waits for the reply's end: a 2xx body is loaded, an abort by its owner is a cancellation, and every
// other end (transport failure, time-out, another status) is a failure.
QCoro::Task<Result> finish(NetworkReplyPtr reply);
// Reads a local file on a worker thread.
QCoro::Task<Result> readFile(QString path);
// The bytes of a file link or of an http(s) link (any other link fails). A download's reply is put into
// `current` before the first suspension, so that its owner can abort it.
QCoro::Task<Result> fetch(QUrl url, QPointer<QNetworkReply> &current);

} // namespace LinkDownload
