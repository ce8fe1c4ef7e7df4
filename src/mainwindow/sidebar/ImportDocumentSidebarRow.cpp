#include "mainwindow/sidebar/ImportDocumentSidebarRow.h"

#include "import/DocumentImportManager.h"
#include "widgets/FileDropFilter.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace
{

constexpr int importIconSize = 16;

// A green that keeps its contrast as text on the sidebar's white.
QColor confirmationColor()
{
    return QColor(0x1e, 0x7e, 0x34);
}

} // namespace

ImportDocumentSidebarRow::ImportDocumentSidebarRow(DocumentImportManager *manager, QWidget *parent)
    : QPushButton(parent), m_manager(manager)
{
    setObjectName(QStringLiteral("importDocumentRow"));
    setToolTip(tr("Click to import, or drag a PDF or image here"));
    setAutoDefault(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(8);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(importIconSize, importIconSize);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("importRowText"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Theme::systemFont(13));
    // A long file name must not widen the sidebar: the title takes the room left and is elided to it.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->installEventFilter(this);
    for (QLabel *part : {m_icon, m_title})
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(m_icon);
    row->addWidget(m_title, 1);
    setMinimumHeight(row->sizeHint().height());
    m_drop = new FileDropFilter(this);
    m_confirmationExpiry = new QTimer(this);
    m_confirmationExpiry->setObjectName(QStringLiteral("confirmationExpiry"));
    m_confirmationExpiry->setSingleShot(true);
    m_confirmationExpiry->setInterval(confirmationMs);
    connect(m_confirmationExpiry, &QTimer::timeout, this, &ImportDocumentSidebarRow::endConfirmation);
    connect(this, &QPushButton::clicked, this, &ImportDocumentSidebarRow::importSheetRequested);
    connect(m_drop, &FileDropFilter::targetedChanged, this, &ImportDocumentSidebarRow::refresh);
    connect(m_drop, &FileDropFilter::dropped, this, &ImportDocumentSidebarRow::addDroppedFiles);
    refresh();
}

QString ImportDocumentSidebarRow::feedbackText(const QStringList &names)
{
    if (names.size() == 1)
        return tr("Added %1").arg(names.first());
    return tr("Added %n files", nullptr, int(names.size()));
}

void ImportDocumentSidebarRow::addDroppedFiles(const QList<QUrl> &files)
{
    const QStringList accepted = m_manager->importFiles(files);
    if (!accepted.isEmpty())
        showReceived(accepted);
}

void ImportDocumentSidebarRow::showReceived(const QStringList &names)
{
    m_justReceivedNames = names;
    refresh();
    // A newer drop starts the while again, so its names stay for their full while.
    m_confirmationExpiry->start();
}

void ImportDocumentSidebarRow::endConfirmation()
{
    m_justReceivedNames.clear();
    refresh();
}

void ImportDocumentSidebarRow::refresh()
{
    const bool confirming = !m_justReceivedNames.isEmpty();
    const QString text = confirming ? feedbackText(m_justReceivedNames) : tr("Import Document");
    QColor tint = palette().color(QPalette::ButtonText);
    if (confirming)
        tint = confirmationColor();
    else if (m_drop->isTargeted())
        tint = palette().color(QPalette::Highlight);
    m_fullTitle = text;
    showTitle();
    Theme::setTextColor(m_title, tint);
    const QString symbol =
        confirming ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("icon-import-document");
    m_icon->setPixmap(SymbolIcons::tinted(symbol, importIconSize, tint, devicePixelRatioF()));
    setAccessibleName(text);
}

void ImportDocumentSidebarRow::showTitle()
{
    m_title->setText(m_title->fontMetrics().elidedText(m_fullTitle, Qt::ElideRight, m_title->width()));
}

bool ImportDocumentSidebarRow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_title && event->type() == QEvent::Resize)
        showTitle();
    return QPushButton::eventFilter(watched, event);
}
