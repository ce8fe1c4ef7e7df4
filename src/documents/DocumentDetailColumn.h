#pragma once

#include "records/ImageAsset.h"

#include <QString>
#include <QUrl>
#include <QWidget>

class PDFKitView;
class QLabel;
class QScrollArea;
class QStackedWidget;
class RemoteImageView;

// The selected document under its file name: the PDF, the image, or "Couldn’t load this document." when
// its link is missing or unusable or the file cannot be shown. The views get a link only when the shown
// document or its link changed, since both load again when handed a link that failed: a refreshed record
// with a new link is tried again, the same record is not.
class DocumentDetailColumn final : public QWidget
{
    Q_OBJECT

public:
    explicit DocumentDetailColumn(QWidget *parent);

    // `key` tells documents apart (DocumentKey).
    void setDocument(const ImageAsset &document, const QString &key);
    bool showsFailure() const;

Q_SIGNALS:
    // A PDF that could not be opened or an image that could not be loaded; not a missing link.
    void loadFailed();

private:
    void showFailure();

    QLabel *m_title = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLabel *m_failure = nullptr;
    PDFKitView *m_pdf = nullptr;
    QScrollArea *m_imageArea = nullptr;
    RemoteImageView *m_image = nullptr;
    QString m_key;
    QUrl m_url;
    bool m_isPDF = false;
    bool m_hasDocument = false;
};
