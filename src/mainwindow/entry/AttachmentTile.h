#pragma once

#include "records/ImageAsset.h"

#include <QAbstractButton>

#include <optional>

class RemoteImageView;

// The entry card's 50 × 50 tile for its first attachment: the thumbnail when the document has one that
// loads, else a symbol for its kind, a paperclip while its preview is open, and a grey photo symbol when
// the entry has no attachment (the tile then takes no clicks).
class AttachmentTile final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit AttachmentTile(QWidget *parent = nullptr);

    void setDocument(const std::optional<ImageAsset> &document, bool previewOpen);
    // The symbol drawn in place of a thumbnail; empty while the thumbnail shows or loads.
    QString symbol() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool showsThumbnail() const;

    RemoteImageView *m_thumbnail = nullptr;
    std::optional<ImageAsset> m_document;
    bool m_previewOpen = false;
};
