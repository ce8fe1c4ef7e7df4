#include "ImportDocumentSheet.h"

#include "DocumentImportManager.h"

#include "widgets/AttachmentPicker.h"
#include "widgets/FileDropFilter.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int dropSymbolSize = 36;

QLabel *centredText(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

ImportDocumentSheet::ImportDocumentSheet(DocumentImportManager *manager, QWidget *parent)
    : Sheet(parent), m_manager(manager)
{
    setObjectName(QStringLiteral("importDocumentSheet"));
    setWindowTitle(tr("Import Document"));
    Theme::applyPalette(this);
    setFixedSize(480, 320);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(FormKit::divider(this));
    auto *zoneBox = new QVBoxLayout;
    zoneBox->setContentsMargins(24, 24, 24, 24);
    zoneBox->addWidget(buildDropZone());
    layout->addLayout(zoneBox, 1);
    refreshTargeted();
}

QWidget *ImportDocumentSheet::buildHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(24, 20, 24, 16);
    auto *title = new QLabel(tr("Import Document"), header);
    title->setObjectName(QStringLiteral("importSheetTitle"));
    title->setFont(Theme::title2Font());
    auto *close = new QToolButton(header);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAccessibleName(tr("Close"));
    close->setToolTip(tr("Close"));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::StrongFocus);
    close->setIcon(SymbolIcons::tinted(QStringLiteral("xmark.circle.fill"), 18, Theme::secondaryColor(this)));
    close->setIconSize(QSize(18, 18));
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(close);
    connect(close, &QToolButton::clicked, this, &ImportDocumentSheet::dismiss);
    return header;
}

QWidget *ImportDocumentSheet::buildDropZone()
{
    m_dropZone = new QWidget(this);
    m_dropZone->setObjectName(QStringLiteral("dropZone"));
    auto *layout = new QVBoxLayout(m_dropZone);
    layout->setSpacing(12);
    layout->addStretch(1);
    m_symbol = new QLabel(m_dropZone);
    m_symbol->setObjectName(QStringLiteral("dropSymbol"));
    m_symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_symbol);
    layout->addWidget(centredText(QStringLiteral("dropTitle"), tr("Drag a PDF or image here"), m_dropZone));
    QLabel *explanation =
        centredText(QStringLiteral("dropExplanation"),
                    tr("Vantorelle will scan it and suggest timeline entries to review."), m_dropZone);
    QLabel *orText = centredText(QStringLiteral("dropOr"), tr("or"), m_dropZone);
    for (QLabel *caption : {explanation, orText}) {
        caption->setFont(Theme::captionFont());
        Theme::setTextColor(caption, Theme::secondaryColor(this));
        layout->addWidget(caption);
    }
    auto *choose = new QPushButton(tr("Choose File…"), m_dropZone);
    choose->setObjectName(QStringLiteral("chooseFileButton"));
    choose->setAutoDefault(false);
    layout->addWidget(choose, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    m_drop = new FileDropFilter(m_dropZone);
    connect(choose, &QPushButton::clicked, this, &ImportDocumentSheet::chooseFile);
    connect(m_drop, &FileDropFilter::targetedChanged, this, &ImportDocumentSheet::refreshTargeted);
    connect(m_drop, &FileDropFilter::dropped, this, &ImportDocumentSheet::importFiles);
    return m_dropZone;
}

bool ImportDocumentSheet::isDropTargeted() const
{
    return m_drop->isTargeted();
}

void ImportDocumentSheet::chooseFile()
{
    AttachmentPicker::choose(this, [self = QPointer<ImportDocumentSheet>(this)](const QList<QUrl> &files) {
        if (self)
            self->importFiles(files);
    });
}

void ImportDocumentSheet::importFiles(const QList<QUrl> &files)
{
    if (files.isEmpty())
        return;
    if (!m_manager->importFiles(files).isEmpty())
        dismiss();
}

void ImportDocumentSheet::refreshTargeted()
{
    const QColor color = m_drop->isTargeted() ? palette().color(QPalette::Highlight) : Theme::secondaryColor(this);
    m_symbol->setPixmap(SymbolIcons::tinted(QStringLiteral("tray.and.arrow.down.fill"), dropSymbolSize, color));
    update();
}

// The drop zone's rounded, dashed frame; the accent colour while a file drag hovers over it.
void ImportDocumentSheet::paintEvent(QPaintEvent *event)
{
    Sheet::paintEvent(event);
    const bool targeted = m_drop->isTargeted();
    const QColor accent = palette().color(QPalette::Highlight);
    QColor fill = targeted ? accent : palette().color(QPalette::Base);
    if (targeted)
        fill.setAlphaF(0.08f);
    QColor stroke = targeted ? accent : Theme::secondaryColor(this);
    if (!targeted)
        stroke.setAlphaF(0.3f);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(m_dropZone->geometry()).adjusted(1, 1, -1, -1), 12, 12);
    painter.fillPath(frame, fill);
    QPen dashes(stroke, 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dashes.setDashPattern({3, 3});
    painter.setPen(dashes);
    painter.drawPath(frame);
}
