#pragma once

#include <QObject>
#include <QPointer>

class DocumentImportManager;
class ImportDocumentSheet;
class MedbitStore;
class QMessageBox;
class QWidget;
class SmartTimelinePreviewView;

// What the main window shows of its document import: the import sheet when asked for, the review while
// the manager presents one, and the "Import Failed" alert while the manager holds an error. The alert
// shows on the next event-loop turn over whichever dialog is then top-most; an error raised while the
// review is open is shown in red there only, and closing the review clears it. Both sheets are children of
// the window, never of each other. The import sheet is for the patient open when it opened: another patient
// opened meanwhile closes it, as it ends the import.
class ImportPresenter final : public QObject
{
    Q_OBJECT

public:
    ImportPresenter(DocumentImportManager *manager, MedbitStore *store, QWidget *window);

    // Does nothing while the import sheet or the review is open.
    void openImportSheet();

private:
    void onPatientChanged();
    void onReviewPresentedChanged(bool presented);
    void onReviewClosed();
    void onActiveErrorChanged();
    void showAlertLater();
    void showAlert();
    void onAlertDismissed();

    DocumentImportManager *m_manager = nullptr;
    MedbitStore *m_store = nullptr;
    QWidget *m_window = nullptr;
    QPointer<ImportDocumentSheet> m_importSheet;
    QPointer<SmartTimelinePreviewView> m_review;
    QPointer<QMessageBox> m_alert;
    bool m_alertWaitsForReview = false;
};
