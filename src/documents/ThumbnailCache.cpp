#include "documents/ThumbnailCache.h"

#include "net/LinkDownload.h"

#include <QBuffer>
#include <QFuture>
#include <QImageReader>
#include <QNetworkReply>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

// About a hundred cards' worth of decoded thumbnails: a few screens of the grid.
constexpr int budgetKiB = 8 * 1024;
// Fewer than the six connections a host gets, so the panel's other requests find one free.
constexpr int maxDownloads = 4;

QImage decodedToCover(QByteArray bytes, QSize box)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatioByExpanding));
    return reader.read();
}

} // namespace

ThumbnailCache::ThumbnailCache(QSize size, QObject *parent) : QObject(parent), m_size(size), m_images(budgetKiB) {}

ThumbnailCache::~ThumbnailCache()
{
    // Each load resumes with a cancellation and ends without touching the cache.
    const QList<QPointer<QNetworkReply>> replies = m_replies.values();
    for (const QPointer<QNetworkReply> &reply : replies) {
        if (reply)
            reply->abort();
    }
}

QString ThumbnailCache::pairOf(const QString &key, const QUrl &url)
{
    return key + QLatin1Char('\n') + url.toString();
}

ThumbnailCache::State ThumbnailCache::state(const QString &key, const QUrl &url) const
{
    const QString pair = pairOf(key, url);
    const State state = m_states.value(pair, State::none);
    // A loaded image pushed out of the budget counts as never loaded.
    return state == State::loaded && !m_images.contains(pair) ? State::none : state;
}

QImage ThumbnailCache::image(const QString &key, const QUrl &url) const
{
    const QImage *image = m_images.object(pairOf(key, url));
    return image ? *image : QImage();
}

void ThumbnailCache::request(const QString &key, const QUrl &url)
{
    if (state(key, url) != State::none)
        return;
    m_states.insert(pairOf(key, url), State::loading);
    m_queue.append({key, url});
    scheduleStart();
}

void ThumbnailCache::keepQueuedOnly(const QSet<QString> &keys)
{
    const auto dropped = std::remove_if(m_queue.begin(), m_queue.end(), [this, &keys](const Pending &pending) {
        if (keys.contains(pending.key))
            return false;
        m_states.remove(pairOf(pending.key, pending.url));
        return true;
    });
    m_queue.erase(dropped, m_queue.end());
    reportIfSettled();
}

void ThumbnailCache::reportIfSettled()
{
    if (!isBusy())
        Q_EMIT settled();
}

void ThumbnailCache::scheduleStart()
{
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    QTimer::singleShot(0, this, &ThumbnailCache::startQueued);
}

void ThumbnailCache::startQueued()
{
    m_startScheduled = false;
    while (m_running < maxDownloads && !m_queue.isEmpty()) {
        const Pending next = m_queue.takeLast();
        ++m_running;
        load(next.key, next.url);
    }
}

QCoro::Task<> ThumbnailCache::load(QString key, QUrl url)
{
    const QString pair = pairOf(key, url);
    QPointer<ThumbnailCache> self(this);
    LinkDownload::Result result;
    try {
        if (LinkDownload::isRemote(url)) {
            NetworkReplyPtr reply = LinkDownload::start(url);
            m_replies.insert(pair, reply.get());
            result = co_await LinkDownload::finish(std::move(reply));
        } else {
            QPointer<QNetworkReply> none;
            result = co_await LinkDownload::fetch(url, none);
        }
    } catch (...) {
        result = LinkDownload::Result{};
    }
    if (result.outcome == LinkDownload::Outcome::cancelled || !self)
        co_return;
    m_replies.remove(pair);
    --m_running;
    scheduleStart();
    QImage image;
    if (result.outcome == LinkDownload::Outcome::loaded) {
        QFuture<QImage> decoding = QtConcurrent::run(decodedToCover, result.bytes, m_size);
        image = co_await decoding;
        if (!self)
            co_return;
    }
    m_states.insert(pair, image.isNull() ? State::failed : State::loaded);
    if (!image.isNull())
        m_images.insert(pair, new QImage(image), int(image.sizeInBytes() / 1024) + 1);
    Q_EMIT changed(key);
    if (image.isNull())
        Q_EMIT failed(key);
    reportIfSettled();
}
