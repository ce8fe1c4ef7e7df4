#include "documents/PDFKitView.h"

#include <QNetworkReply>
#include <QPdfDocument>
#include <QPdfPageRenderer>
#include <QTimer>

PDFKitView::PDFKitView(QWidget *parent) : QPdfView(parent), m_document(new QPdfDocument(this))
{
    setPageMode(PageMode::MultiPage);
    setZoomMode(ZoomMode::FitInView);
    setDocument(m_document);
}

PDFKitView::~PDFKitView()
{
    cancelLoad();
    // The view lets go of the document before either is destroyed.
    setDocument(nullptr);
    // The view renders pages on a thread of its own, which its renderer only stops and waits for when it
    // goes, but never frees. Back in single-threaded mode, the renderer stops, waits for and frees it now.
    if (auto *renderer = findChild<QPdfPageRenderer *>())
        renderer->setRenderMode(QPdfPageRenderer::RenderMode::SingleThreaded);
}

void PDFKitView::setUrl(const QUrl &url)
{
    if (url == m_url && (m_state == State::loading || m_state == State::shown))
        return;
    cancelLoad();
    close();
    m_url = url;
    m_state = State::loading;
    load(url, m_loads.current());
}

QCoro::Task<> PDFKitView::load(QUrl url, Generation::Token generation)
{
    QPointer<PDFKitView> self(this);
    LinkDownload::Result result;
    try {
        result = co_await LinkDownload::fetch(url, m_reply);
    } catch (...) {
        result = LinkDownload::Result{};
    }
    // An aborted load belongs to a view that has gone or moved on to another URL.
    if (!self || !m_loads.isCurrent(generation))
        co_return;
    const bool opened = result.outcome == LinkDownload::Outcome::loaded && open(result.bytes);
    m_state = opened ? State::shown : State::failed;
    if (!opened)
        close();
    report(!opened, generation);
}

bool PDFKitView::open(const QByteArray &bytes)
{
    m_bytes = bytes;
    m_buffer.setBuffer(&m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    // The bytes are all in memory, so the document is ready (or has failed) when load() returns.
    m_document->load(&m_buffer);
    return m_document->status() == QPdfDocument::Status::Ready;
}

void PDFKitView::close()
{
    m_document->close();
    m_buffer.close();
    m_bytes.clear();
}

void PDFKitView::cancelLoad()
{
    m_loads.next();
    // The reply's coroutine resumes on a later turn and finds its generation gone.
    if (m_reply)
        m_reply->abort();
}

void PDFKitView::report(bool failed, Generation::Token generation)
{
    QTimer::singleShot(0, this, [this, failed, generation] {
        if (!m_loads.isCurrent(generation))
            return;
        m_failedToLoad = failed;
        Q_EMIT loadFinished(failed);
    });
}
