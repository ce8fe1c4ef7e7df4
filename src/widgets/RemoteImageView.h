#pragma once

#include "net/Generation.h"
#include "net/LinkDownload.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <QCoroTask>

class BusyIndicator;
class QNetworkReply;

// An image loaded from a link (without the bearer header) or a file URL, for thumbnails and previews.
// It spins while loading, shows the image once loaded and nothing when loading failed; owners that
// show something else in a phase follow phaseChanged. Decoding runs on a worker thread. Setting the URL
// it already shows does nothing; after a failure it tries again. A load still running when the view goes
// or its URL changes is aborted.
class RemoteImageView final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QUrl url READ url WRITE setUrl)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)

public:
    enum class Phase { loading, loaded, failed };
    Q_ENUM(Phase)
    // fit: the whole image, centred; fill: the view covered, the image cropped (thumbnails); fitWidth: as
    // wide as the view and as tall as that makes it (for a scroll area, so a tall scan stays readable).
    enum class Scaling { fit, fill, fitWidth };

    explicit RemoteImageView(QWidget *parent = nullptr);
    ~RemoteImageView() override;

    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url);
    Phase phase() const { return m_phase; }
    QImage image() const { return m_image; }
    void setScaling(Scaling scaling);

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void phaseChanged(RemoteImageView::Phase phase);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QCoro::Task<> load(QUrl url, Generation::Token generation);
    void setPhase(Phase phase);
    void cancelLoad();
    void fitHeightToWidth();

    BusyIndicator *m_spinner = nullptr;
    QUrl m_url;
    QImage m_image;
    QPixmap m_scaled; // m_image at the view's size, made on the first paint after a change
    QPointer<QNetworkReply> m_reply;
    Generation m_loads;
    Phase m_phase = Phase::loading;
    Scaling m_scaling = Scaling::fit;
};
