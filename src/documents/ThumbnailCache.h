#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QUrl>

#include <QCoroTask>

class QNetworkReply;

// The documents grid's thumbnails, loaded when a card first asks for one and decoded on a worker thread at
// the card's size. Asking only queues: a few downloads run at a time, the most recently asked first, so
// after a fast scroll the cards in view load before those scrolled past, and painting never waits for the
// network; a queued card scrolled far away is dropped from the queue. Each (document key, link) pair is
// loaded once: a failed link stays failed until the document brings another link. Decoded images are kept
// up to a budget of a few screens; one pushed out is loaded again when its card asks. Destroying the cache
// aborts its downloads. It is busy while a download is queued or running, and says when that ends, so that
// other requests to the same host can wait behind the thumbnails the user is looking at.
class ThumbnailCache final : public QObject
{
    Q_OBJECT

public:
    enum class State { none, loading, loaded, failed };

    explicit ThumbnailCache(QSize size, QObject *parent = nullptr);
    ~ThumbnailCache() override;

    State state(const QString &key, const QUrl &url) const;
    // The decoded image of a loaded pair; null otherwise.
    QImage image(const QString &key, const QUrl &url) const;
    // Queues a pair that is neither loading, loaded nor failed.
    void request(const QString &key, const QUrl &url);
    // Drops the queued pairs of every other key; they are queued again when their cards ask.
    void keepQueuedOnly(const QSet<QString> &keys);
    bool isBusy() const { return m_running > 0 || !m_queue.isEmpty(); }

Q_SIGNALS:
    void changed(const QString &key);
    void failed(const QString &key);
    // No download is queued or running any more.
    void settled();

private:
    struct Pending {
        QString key;
        QUrl url;
    };

    static QString pairOf(const QString &key, const QUrl &url);
    void scheduleStart();
    void startQueued();
    void reportIfSettled();
    QCoro::Task<> load(QString key, QUrl url);

    QSize m_size;
    QHash<QString, State> m_states;
    QHash<QString, QPointer<QNetworkReply>> m_replies;
    QList<Pending> m_queue;
    int m_running = 0;
    bool m_startScheduled = false;
    QCache<QString, QImage> m_images;
};
