#include "widgets/FileDropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

FileDropFilter::FileDropFilter(QWidget *target) : QObject(target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QList<QUrl> FileDropFilter::localFiles(const QMimeData *data)
{
    QList<QUrl> files;
    if (!data)
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

bool FileDropFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto *enter = static_cast<QDragEnterEvent *>(event);
        const bool carriesFiles = !localFiles(enter->mimeData()).isEmpty();
        if (carriesFiles)
            enter->acceptProposedAction();
        setTargeted(carriesFiles);
        return carriesFiles;
    }
    case QEvent::DragMove:
        if (m_isTargeted) {
            static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
            return true;
        }
        break;
    case QEvent::DragLeave:
        setTargeted(false);
        break;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        drop->acceptProposedAction();
        setTargeted(false);
        const QList<QUrl> files = localFiles(drop->mimeData());
        if (!files.isEmpty())
            QTimer::singleShot(0, this, [this, files] { Q_EMIT dropped(files); });
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void FileDropFilter::setTargeted(bool targeted)
{
    if (m_isTargeted == targeted)
        return;
    m_isTargeted = targeted;
    Q_EMIT targetedChanged(targeted);
}
