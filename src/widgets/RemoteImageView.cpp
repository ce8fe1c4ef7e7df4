#include "RemoteImageView.h"

#include "BusyIndicator.h"

#include <QBuffer>
#include <QFuture>
#include <QImageReader>
#include <QNetworkReply>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace
{

// Larger images are decoded at this many pixels on their long side: nothing shows them bigger, and a
// camera photo at full size would cost a lot of memory for nothing.
constexpr int longestSide = 4096;

QImage decoded(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && qMax(size.width(), size.height()) > longestSide)
        reader.setScaledSize(size.scaled(longestSide, longestSide, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace

RemoteImageView::RemoteImageView(QWidget *parent) : QWidget(parent), m_spinner(new BusyIndicator(16, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_spinner, 0, Qt::AlignCenter);
}

RemoteImageView::~RemoteImageView()
{
    cancelLoad();
}

void RemoteImageView::setUrl(const QUrl &url)
{
    if (url == m_url && m_phase != Phase::failed)
        return;
    cancelLoad();
    m_url = url;
    m_image = QImage();
    m_scaled = QPixmap();
    setPhase(Phase::loading);
    update();
    load(url, m_loads.current());
}

void RemoteImageView::setScaling(Scaling scaling)
{
    if (m_scaling == scaling)
        return;
    m_scaling = scaling;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(scaling == Scaling::fitWidth);
    setSizePolicy(policy);
    m_scaled = QPixmap();
    updateGeometry();
    update();
}

QSize RemoteImageView::sizeHint() const
{
    return m_image.isNull() ? QSize(160, 120) : m_image.size().boundedTo(QSize(640, 640));
}

void RemoteImageView::fitHeightToWidth()
{
    // A scroll area sizes a resizable widget by its minimum, not by its height for width: the image's height at
    // the view's width is made the minimum.
    if (m_scaling == Scaling::fitWidth)
        setMinimumHeight(heightForWidth(width()));
}

bool RemoteImageView::hasHeightForWidth() const
{
    return m_scaling == Scaling::fitWidth;
}

int RemoteImageView::heightForWidth(int width) const
{
    if (m_image.isNull() || m_image.width() == 0)
        return sizeHint().height();
    return int(qint64(m_image.height()) * width / m_image.width());
}

QCoro::Task<> RemoteImageView::load(QUrl url, Generation::Token generation)
{
    QPointer<RemoteImageView> self(this);
    QImage image;
    try {
        const LinkDownload::Result result = co_await LinkDownload::fetch(url, m_reply);
        if (result.outcome == LinkDownload::Outcome::loaded && self && m_loads.isCurrent(generation)) {
            QFuture<QImage> decoding = QtConcurrent::run(decoded, result.bytes);
            image = co_await decoding;
        }
    } catch (...) {
        image = QImage();
    }
    // An aborted load belongs to a view that has gone or moved on to another URL.
    if (!self || !m_loads.isCurrent(generation))
        co_return;
    m_image = image;
    m_scaled = QPixmap();
    fitHeightToWidth();
    updateGeometry();
    update();
    setPhase(image.isNull() ? Phase::failed : Phase::loaded);
}

void RemoteImageView::setPhase(Phase phase)
{
    m_spinner->setVisible(phase == Phase::loading);
    if (m_phase == phase)
        return;
    m_phase = phase;
    Q_EMIT phaseChanged(phase);
}

void RemoteImageView::cancelLoad()
{
    m_loads.next();
    // The reply's coroutine resumes on a later turn and finds its generation gone.
    if (m_reply)
        m_reply->abort();
}

void RemoteImageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    if (m_scaled.isNull()) {
        const Qt::AspectRatioMode mode =
            m_scaling == Scaling::fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio;
        const QImage scaled = m_scaling == Scaling::fitWidth ? m_image.scaledToWidth(width(), Qt::SmoothTransformation)
                                                             : m_image.scaled(size(), mode, Qt::SmoothTransformation);
        m_scaled = QPixmap::fromImage(scaled);
    }
    QPainter painter(this);
    painter.drawPixmap((width() - m_scaled.width()) / 2, (height() - m_scaled.height()) / 2, m_scaled);
}

void RemoteImageView::resizeEvent(QResizeEvent *)
{
    m_scaled = QPixmap();
    fitHeightToWidth();
}
