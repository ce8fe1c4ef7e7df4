#pragma once

#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

class DocumentImportManager;
class FileDropFilter;
class QLabel;
class QTimer;

// The sidebar's "Import Document" button: a click asks for the import sheet, and files dropped on it go
// straight to the import. The files it took are confirmed in green ("Added …") for a short while; a newer
// drop replaces the confirmation and keeps it for its own full while.
class ImportDocumentSidebarRow final : public QPushButton
{
    Q_OBJECT

public:
    static constexpr int confirmationMs = 1800;

    explicit ImportDocumentSidebarRow(DocumentImportManager *manager, QWidget *parent = nullptr);

    const QStringList &justReceivedNames() const { return m_justReceivedNames; }
    // "Added <name>" for one file, "Added <n> files" otherwise.
    static QString feedbackText(const QStringList &names);

Q_SIGNALS:
    void importSheetRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addDroppedFiles(const QList<QUrl> &files);
    void showReceived(const QStringList &names);
    void endConfirmation();
    void refresh();
    void showTitle();

    DocumentImportManager *m_manager = nullptr;
    FileDropFilter *m_drop = nullptr;
    QLabel *m_icon = nullptr;
    QLabel *m_title = nullptr;
    QTimer *m_confirmationExpiry = nullptr;
    QString m_fullTitle;
    QStringList m_justReceivedNames;
};
