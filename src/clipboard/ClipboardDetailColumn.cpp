#include "ClipboardDetailColumn.h"

#include "ClipboardDeleteAlert.h"
#include "ClipboardManager.h"
#include "PasteboardTransfer.h"

#include "records/DateText.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QBuffer>
#include <QFrame>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtConcurrentRun>

namespace
{

constexpr int detailPadding = 24;
constexpr int commandSymbolSize = 16;
constexpr int documentSymbolSize = 48;

// An image scaled to fit the width it is given, its aspect ratio kept, centred; never enlarged beyond twice
// its own size. It takes its size from the file's header and is decoded on a worker thread, so that showing
// a photo never holds up the window; the space stays empty until then.
class ScaledImage final : public QWidget
{
public:
    ScaledImage(const QSize &size, const QByteArray &bytes, QWidget *parent) : QWidget(parent), m_size(size)
    {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
        auto *decoding = new QFutureWatcher<QImage>(this);
        connect(decoding, &QFutureWatcher<QImage>::finished, this, [this, decoding] {
            m_image = decoding->result();
            update();
        });
        decoding->setFuture(QtConcurrent::run([bytes] { return QImage::fromData(bytes); }));
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return fitted(QSize(width, QWIDGETSIZE_MAX)).height(); }
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_image.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize size = fitted(this->size());
        painter.drawImage(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), m_image);
    }

private:
    QSize fitted(const QSize &room) const { return m_size.scaled(room, Qt::KeepAspectRatio); }

    QSize m_size;
    QImage m_image;
};

// The size an image file declares, read from its header alone; invalid for what is not a readable image.
QSize imageSize(const ClipboardFile &file)
{
    if (!file.mimeType.startsWith(QStringLiteral("image/")))
        return {};
    QByteArray bytes = file.data;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.size() : QSize();
}

QLabel *selectableLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The content is what a person reads and copies from: a Tab stop, named by its text.
    label->setFocusPolicy(Qt::StrongFocus);
    label->setFont(Theme::systemFont(13));
    return label;
}

} // namespace

ClipboardDetailColumn::ClipboardDetailColumn(ClipboardManager *manager, QWidget *parent)
    : QWidget(parent), m_manager(manager), m_info(new QLabel(this)), m_scroll(new QScrollArea(this))
{
    m_info->setObjectName(QStringLiteral("itemInfo"));
    m_info->setTextFormat(Qt::PlainText);
    m_info->setFont(Theme::captionFont());
    Theme::setTextColor(m_info, Theme::secondaryColor(this));
    m_info->setContentsMargins(detailPadding, 0, detailPadding, 12);
    auto *divider = FormKit::divider(this, QPalette::Midlight);
    m_scroll->setObjectName(QStringLiteral("itemContent"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    // It only scrolls; the content in it takes the focus, and Page Up and Page Down there scroll it.
    m_scroll->setFocusPolicy(Qt::NoFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildCommands());
    layout->addWidget(m_info);
    layout->addWidget(divider);
    layout->addWidget(m_scroll, 1);
}

void ClipboardDetailColumn::setItem(const ClipboardItem &item)
{
    m_item = item;
    m_info->setText(item.source + QStringLiteral(" · ") + DateText::dateTime(item.date));
    m_scroll->setWidget(buildContent(item));
    // New content would otherwise join the end of the window's focus chain.
    for (QLabel *stop : m_scroll->widget()->findChildren<QLabel *>()) {
        if (stop->focusPolicy() == Qt::StrongFocus) {
            setTabOrder(m_newEntry, stop);
            stop->installEventFilter(this);
        }
    }
}

QWidget *ClipboardDetailColumn::buildCommands()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(detailPadding, 16, detailPadding, 8);
    layout->setSpacing(20);
    QPushButton *remove = command(tr("Delete"), QStringLiteral("trash"), Theme::errorColor(), "deleteButton");
    QPushButton *copy = command(tr("Copy"), QStringLiteral("doc.on.doc"), Theme::linkColor(), "copyButton");
    m_newEntry = command(tr("New entry"), QStringLiteral("plus.circle"), Theme::linkColor(), "newEntryButton");
    connect(remove, &QPushButton::clicked, this, &ClipboardDetailColumn::confirmDelete);
    connect(copy, &QPushButton::clicked, this, [this] { copyToPasteboard(m_item, m_manager); });
    connect(m_newEntry, &QPushButton::clicked, this, [this] { Q_EMIT newEntryRequested(m_item); });
    for (QPushButton *button : {remove, copy, m_newEntry})
        layout->addWidget(button);
    layout->addStretch(1);
    return row;
}

QPushButton *ClipboardDetailColumn::command(const QString &title, const QString &symbol, const QColor &color,
                                            const char *name)
{
    auto *button = new QPushButton(title, this);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(title);
    button->setFlat(true);
    button->setIcon(SymbolIcons::tinted(symbol, commandSymbolSize, color, devicePixelRatioF()));
    Theme::setTextColor(button, color);
    return button;
}

bool ClipboardDetailColumn::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_PageUp && key != Qt::Key_PageDown)
        return QWidget::eventFilter(watched, event);
    m_scroll->verticalScrollBar()->triggerAction(key == Qt::Key_PageUp ? QAbstractSlider::SliderPageStepSub
                                                                       : QAbstractSlider::SliderPageStepAdd);
    return true;
}

QWidget *ClipboardDetailColumn::buildContent(const ClipboardItem &item)
{
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(detailPadding, detailPadding, detailPadding, detailPadding);
    if (!item.file) {
        QLabel *text = selectableLabel(item.text, content);
        text->setObjectName(QStringLiteral("itemText"));
        layout->addWidget(text);
    } else if (const QSize size = imageSize(*item.file); size.isValid()) {
        auto *view = new ScaledImage(size, item.file->data, content);
        view->setObjectName(QStringLiteral("itemImage"));
        view->setAccessibleName(item.file->filename);
        layout->addWidget(view);
    } else {
        layout->setContentsMargins(48, 48, 48, 48);
        layout->addWidget(buildDocumentPlaceholder(*item.file, content));
    }
    layout->addStretch(1);
    return content;
}

QWidget *ClipboardDetailColumn::buildDocumentPlaceholder(const ClipboardFile &file, QWidget *parent)
{
    auto *placeholder = new QWidget(parent);
    placeholder->setObjectName(QStringLiteral("documentPlaceholder"));
    auto *layout = new QVBoxLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *symbol = new QLabel(placeholder);
    symbol->setPixmap(SymbolIcons::tinted(QStringLiteral("doc.fill"), documentSymbolSize, Theme::secondaryColor(this),
                                          devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    QLabel *name = selectableLabel(file.filename, placeholder);
    name->setObjectName(QStringLiteral("fileName"));
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);
    layout->addWidget(name);
    return placeholder;
}

void ClipboardDetailColumn::confirmDelete()
{
    auto *alert = new ClipboardDeleteAlert(tr("Delete this item?"),
                                           tr("This only removes it from the clipboard history — it won't undo "
                                              "anything already saved to the timeline."),
                                           tr("Delete"), QStringLiteral("deleteItem"), this);
    const QUuid id = m_item.id;
    connect(alert, &ClipboardDeleteAlert::confirmed, this, [this, id] { Q_EMIT deleteConfirmed(id); });
    alert->open();
}
