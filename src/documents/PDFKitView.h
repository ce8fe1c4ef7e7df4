#pragma once

#include "net/Generation.h"
#include "net/LinkDownload.h"

#include <QBuffer>
#include <QByteArray>
#include <QPdfView>
#include <QPointer>
#include <QUrl>

#include <QCoroTask>

class QNetworkReply;
class QPdfDocument;

// Shows the PDF at a link (downloaded into memory, without the bearer header) or a file URL, scaled to
// the view. One event-loop turn after each load, loadFinished tells whether opening the document failed.
// Setting the URL it already shows does nothing; setting it again after a failed load tries once more,
// since a refreshed record may carry the same link. A load still running when the view goes or its URL
// changes is aborted, and that abort is not reported.
class PDFKitView final : public QPdfView
{
    Q_OBJECT
    Q_PROPERTY(QUrl url READ url WRITE setUrl)
    Q_PROPERTY(bool failedToLoad READ failedToLoad NOTIFY loadFinished)

public:
    explicit PDFKitView(QWidget *parent = nullptr);
    ~PDFKitView() override;

    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url);
    bool isLoading() const { return m_state == State::loading; }
    // The value last reported through loadFinished.
    bool failedToLoad() const { return m_failedToLoad; }

Q_SIGNALS:
    void loadFinished(bool failedToLoad);

private:
    enum class State { idle, loading, shown, failed };

    QCoro::Task<> load(QUrl url, Generation::Token generation);
    bool open(const QByteArray &bytes);
    void close();
    void cancelLoad();
    void report(bool failed, Generation::Token generation);

    QPdfDocument *m_document = nullptr;
    QByteArray m_bytes;
    QBuffer m_buffer;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    Generation m_loads;
    State m_state = State::idle;
    bool m_failedToLoad = false;
};
