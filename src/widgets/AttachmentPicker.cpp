#include "widgets/AttachmentPicker.h"

#include <QFileDialog>
#include <QMimeDatabase>

namespace
{

std::function<void(QWidget *, AttachmentPicker::Chosen)> &testHandler()
{
    static std::function<void(QWidget *, AttachmentPicker::Chosen)> handler;
    return handler;
}

// Every image type the MIME database knows, not only those Qt can show: the service takes them all.
QString nameFilter()
{
    QStringList patterns = QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).globPatterns();
    for (const QMimeType &type : QMimeDatabase().allMimeTypes()) {
        if (type.name().startsWith(QLatin1StringView("image/")))
            patterns += type.globPatterns();
    }
    patterns.removeDuplicates();
    return QFileDialog::tr("PDF and image files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace

void AttachmentPicker::choose(QWidget *parent, Chosen chosen)
{
    if (testHandler()) {
        testHandler()(parent, std::move(chosen));
        return;
    }
    auto *dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilter(nameFilter());
    // Qt's own dialog (no desktop portal) never emits urlsSelected: the accepted selection is read instead.
    QObject::connect(dialog, &QFileDialog::accepted, parent,
                     [dialog, chosen = std::move(chosen)] { chosen(dialog->selectedUrls()); });
    dialog->open();
}

void AttachmentPicker::setHandlerForTesting(std::function<void(QWidget *, Chosen)> handler)
{
    testHandler() = std::move(handler);
}
