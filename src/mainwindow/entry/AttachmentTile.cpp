#include "mainwindow/entry/AttachmentTile.h"

#include "widgets/RemoteImageView.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int tileSize = 50;
constexpr int tileRadius = 8;
constexpr int tileSymbolSize = 24;

QPainterPath tileShape(const QRectF &rect)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, tileRadius, tileRadius);
    return shape;
}

// The document's thumbnail link, when it is an absolute URL.
QUrl thumbnailUrl(const std::optional<ImageAsset> &document)
{
    if (!document || !document->thumbnail)
        return {};
    const QUrl url(*document->thumbnail);
    return url.isValid() && !url.scheme().isEmpty() ? url : QUrl();
}

} // namespace

AttachmentTile::AttachmentTile(QWidget *parent) : QAbstractButton(parent), m_thumbnail(new RemoteImageView(this))
{
    setObjectName(QStringLiteral("attachmentTile"));
    setAccessibleName(tr("Show Attachment"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(tileSize, tileSize);
    m_thumbnail->setObjectName(QStringLiteral("attachmentThumbnail"));
    m_thumbnail->setScaling(RemoteImageView::Scaling::fill);
    m_thumbnail->setGeometry(rect());
    m_thumbnail->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_thumbnail->setMask(QRegion(tileShape(QRectF(rect())).toFillPolygon().toPolygon()));
    m_thumbnail->hide();
    connect(m_thumbnail, &RemoteImageView::phaseChanged, this, [this] {
        m_thumbnail->setVisible(showsThumbnail());
        update();
    });
}

void AttachmentTile::setDocument(const std::optional<ImageAsset> &document, bool previewOpen)
{
    m_document = document;
    m_previewOpen = previewOpen;
    setEnabled(document.has_value());
    const QUrl url = previewOpen ? QUrl() : thumbnailUrl(document);
    if (!url.isEmpty())
        m_thumbnail->setUrl(url);
    m_thumbnail->setVisible(showsThumbnail());
    update();
}

bool AttachmentTile::showsThumbnail() const
{
    return m_document && !m_previewOpen && !thumbnailUrl(m_document).isEmpty() &&
           m_thumbnail->phase() != RemoteImageView::Phase::failed;
}

QString AttachmentTile::symbol() const
{
    if (!m_document)
        return QStringLiteral("photo");
    if (m_previewOpen)
        return QStringLiteral("paperclip");
    if (showsThumbnail())
        return {};
    return m_document->isPDF() ? QStringLiteral("doc.text.fill") : QStringLiteral("photo");
}

void AttachmentTile::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = tileShape(QRectF(rect()));
    QColor fill = m_document ? Theme::tileColor() : QColor(Qt::gray);
    fill.setAlphaF(m_document ? 0.08 : 0.1);
    painter.fillPath(shape, fill);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawPath(tileShape(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5)));
    }
    const QString name = symbol();
    if (name.isEmpty())
        return;
    const QColor color = m_document ? Theme::tileColor() : Theme::secondaryColor(this);
    const QPixmap pixmap = SymbolIcons::tinted(name, tileSymbolSize, color, devicePixelRatioF());
    const QRect box((width() - tileSymbolSize) / 2, (height() - tileSymbolSize) / 2, tileSymbolSize, tileSymbolSize);
    painter.drawPixmap(box, pixmap);
}
