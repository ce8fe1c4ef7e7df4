#include "UpdateResultDialog.h"

#include "platform/UpdateCheckResult.h"
#include "platform/UrlOpener.h"

#include <QPushButton>

UpdateResultDialog::UpdateResultDialog(const UpdateCheckResult &result, QWidget *parent) : QMessageBox(parent)
{
    setObjectName(QStringLiteral("updateResultDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::Failed:
        setIcon(QMessageBox::Warning);
        setText(tr("Couldn't check for updates."));
        setInformativeText(tr("The update information could not be loaded. Please try again later."));
        setStandardButtons(QMessageBox::Ok);
        return;
    case UpdateCheckResult::Outcome::UpToDate:
        setText(tr("Vantorelle is up to date."));
        setInformativeText(tr("Version %1 is the newest version available.").arg(result.currentVersion));
        setStandardButtons(QMessageBox::Ok);
        return;
    case UpdateCheckResult::Outcome::UpdateAvailable:
        break;
    }
    setText(tr("Vantorelle %1 is available.").arg(result.availableVersion));
    setInformativeText(tr("You have version %1.").arg(result.currentVersion));
    QPushButton *download = addButton(tr("Download"), QMessageBox::AcceptRole);
    download->setObjectName(QStringLiteral("downloadButton"));
    addButton(tr("Later"), QMessageBox::RejectRole)->setObjectName(QStringLiteral("laterButton"));
    setDefaultButton(download);
    const QUrl page = result.downloadURL;
    connect(download, &QPushButton::clicked, this, [page] { UrlOpener::open(page); });
}
