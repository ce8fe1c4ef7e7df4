#include "import/ImportPresenter.h"

#include "import/DocumentImportManager.h"
#include "import/ImportDocumentSheet.h"
#include "import/SmartTimelinePreviewView.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace
{

// The dialog the alert goes over: the top-most modal dialog of this window, else the window itself.
QWidget *alertParent(QWidget *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    for (QWidget *ancestor = modal; ancestor; ancestor = ancestor->parentWidget()) {
        if (ancestor == window)
            return modal;
    }
    return window;
}

} // namespace

ImportPresenter::ImportPresenter(DocumentImportManager *manager, MedbitStore *store, QWidget *window)
    : QObject(window), m_manager(manager), m_store(store), m_window(window)
{
    connect(manager, &DocumentImportManager::isReviewPresentedChanged, this,
            &ImportPresenter::onReviewPresentedChanged);
    connect(manager, &DocumentImportManager::activeErrorChanged, this, &ImportPresenter::onActiveErrorChanged);
    connect(manager, &DocumentImportManager::patientIDChanged, this, &ImportPresenter::onPatientChanged);
}

void ImportPresenter::openImportSheet()
{
    // A new import would discard the open review and its edits.
    if (m_importSheet || (m_review && m_review->isVisible()))
        return;
    m_importSheet = new ImportDocumentSheet(m_manager, m_window);
    m_importSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_importSheet->open();
}

// Files dropped or chosen in it afterwards would be imported for a patient the person did not open it for.
void ImportPresenter::onPatientChanged()
{
    if (m_importSheet)
        m_importSheet->done(QDialog::Rejected);
}

void ImportPresenter::onReviewPresentedChanged(bool presented)
{
    if (presented && !m_review) {
        m_review = new SmartTimelinePreviewView(m_manager, m_store, m_window);
        m_review->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_review, &QDialog::finished, this, &ImportPresenter::onReviewClosed);
        m_review->open();
    } else if (!presented && m_review) {
        m_review->done(QDialog::Accepted);
    }
}

// The person has read the error in red inside the review; an alert after it closes would report it again,
// even after a save that succeeded.
void ImportPresenter::onReviewClosed()
{
    if (!m_alertWaitsForReview)
        return;
    m_alertWaitsForReview = false;
    const auto *closed = qobject_cast<SmartTimelinePreviewView *>(sender());
    const std::optional<DocumentImportError> error = m_manager->activeError();
    if (closed && error && closed->errorMessage() == error->description())
        m_manager->setActiveError(std::nullopt);
    else
        showAlertLater();
}

void ImportPresenter::onActiveErrorChanged()
{
    if (!m_manager->activeError()) {
        if (m_alert)
            m_alert->done(QMessageBox::Ok);
        return;
    }
    // The open review shows this error in red: that is its only report.
    if (m_review && m_review->isVisible()) {
        m_alertWaitsForReview = true;
        return;
    }
    showAlertLater();
}

void ImportPresenter::showAlertLater()
{
    QTimer::singleShot(0, this, &ImportPresenter::showAlert);
}

void ImportPresenter::showAlert()
{
    const std::optional<DocumentImportError> error = m_manager->activeError();
    if (!error || m_alertWaitsForReview)
        return;
    if (m_alert) {
        m_alert->setText(error->description());
        return;
    }
    m_alert = new QMessageBox(QMessageBox::Warning, tr("Import Failed"), error->description(), QMessageBox::Ok,
                              alertParent(m_window));
    m_alert->setObjectName(QStringLiteral("importFailedAlert"));
    m_alert->setTextFormat(Qt::PlainText);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    Theme::applyPalette(m_alert);
    connect(m_alert, &QDialog::finished, this, &ImportPresenter::onAlertDismissed);
    m_alert->open();
}

void ImportPresenter::onAlertDismissed()
{
    m_alert = nullptr;
    m_manager->setActiveError(std::nullopt);
}
