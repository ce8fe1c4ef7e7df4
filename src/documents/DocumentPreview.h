#pragma once

#include "records/ImageAsset.h"

#include <QStackedWidget>
#include <QString>

class BusyIndicator;
class PDFKitView;
class QLabel;
class QScrollArea;
class RemoteImageView;

// One stored document shown in place: its PDF, its image in a scroll area, a spinner or a failure text. A
// missing or malformed link shows "Couldn’t load this document." at once; a PDF that cannot be opened or an
// image that cannot be loaded shows it too and reports loadFailed, so that the owner can ask for a fresh link
// once (DocumentRefresher) and show the record it gets back. Only the view that shows the document keeps a
// link; the other one lets its download go.
class DocumentPreview final : public QStackedWidget
{
    Q_OBJECT

public:
    // Images are as wide as the preview and scrolled when taller. attachment: beside an entry, a warning
    // symbol over the failure text; its views are named "preview…". detailColumn: the bare failure text and
    // images inside a margin; its views are named "document…".
    enum class Look { attachment, detailColumn };

    DocumentPreview(Look look, QWidget *parent);

    // Empty links abort both views' downloads and let go of their bytes.
    void showLoading();
    void showDocument(const ImageAsset &document);
    void showFailure(const QString &text);
    bool showsFailure() const;

Q_SIGNALS:
    // A PDF that could not be opened or an image that could not be loaded; not a missing link.
    void loadFailed();

private:
    QWidget *buildFailurePage(Look look, const QString &prefix);
    QWidget *buildImagePage(Look look, const QString &prefix);
    void failLoad();

    Look m_look;
    BusyIndicator *m_spinner = nullptr;
    QWidget *m_failure = nullptr;
    QLabel *m_failureText = nullptr;
    PDFKitView *m_pdf = nullptr;
    QScrollArea *m_imageScroll = nullptr;
    RemoteImageView *m_image = nullptr;
};
