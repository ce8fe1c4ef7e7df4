#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QUrl>

#include <QCoroTask>

class QNetworkReply;

// The documents grid's thumbnails, loaded when a card first asks for one and decoded on a worker thread at
// the card's size. Each (document key, link) pair is loaded once: a failed link stays failed until the
// document brings another link. Decoded images are kept up to a memory budget; one pushed out is loaded
// again when its card asks. Destroying the cache aborts its downloads.
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
    // Starts loading a pair that is neither loading, loaded nor failed.
    void request(const QString &key, const QUrl &url);
    // Downloads started and not yet finished.
    int running() const { return int(m_replies.size()); }

Q_SIGNALS:
    void changed(const QString &key);
    void failed(const QString &key);

private:
    static QString pairOf(const QString &key, const QUrl &url);
    QCoro::Task<> load(QString key, QUrl url);

    QSize m_size;
    QHash<QString, State> m_states;
    QHash<QString, QPointer<QNetworkReply>> m_replies;
    QCache<QString, QImage> m_images;
};
