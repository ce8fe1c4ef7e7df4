#pragma once

#include "records/ImageAsset.h"

#include <QString>
#include <QUrl>
#include <QWidget>

class DocumentPreview;
class ElidedLabel;

// The selected document under its file name (DocumentPreview). The preview gets the document only when the
// shown document or its link changed, since its views load again when handed a link that failed: a
// refreshed record with a new link is tried again, the same record is not.
class DocumentDetailColumn final : public QWidget
{
    Q_OBJECT

public:
    explicit DocumentDetailColumn(QWidget *parent);

    // `key` tells documents apart (DocumentKey).
    void setDocument(const ImageAsset &document, const QString &key);
    bool showsFailure() const;

    // Any width will do: the preview gives up its room before the window grows wider than the screen.
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A PDF that could not be opened or an image that could not be loaded; not a missing link.
    void loadFailed();

private:
    ElidedLabel *m_title = nullptr;
    DocumentPreview *m_preview = nullptr;
    QString m_key;
    QUrl m_url;
    bool m_isPDF = false;
    bool m_hasDocument = false;
};
