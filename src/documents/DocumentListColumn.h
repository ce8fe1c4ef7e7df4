#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class BusyIndicator;
class DocumentGridModel;
class DocumentGridView;
class QLabel;
class QStackedWidget;
class ThumbnailCache;

// The documents panel's left-hand column: the title "Health Documents" over, first that applies, a progress
// indicator while the list loads, the load error with "Try Again", what to do when there is no document yet,
// or the grid of document cards.
class DocumentListColumn final : public QWidget
{
    Q_OBJECT

public:
    DocumentListColumn(DocumentGridModel *model, ThumbnailCache *thumbnails, QWidget *parent);

    void showState(bool isLoading, const std::optional<QString> &loadError);
    DocumentGridView *grid() const { return m_grid; }

Q_SIGNALS:
    // The key of the card the user chose.
    void documentChosen(const QString &key);
    void retryRequested();

private:
    QWidget *buildErrorPage();

    DocumentGridModel *m_model = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_progressPage = nullptr;
    BusyIndicator *m_progress = nullptr;
    QLabel *m_error = nullptr;
    QWidget *m_errorPage = nullptr;
    QWidget *m_empty = nullptr;
    DocumentGridView *m_grid = nullptr;
};
