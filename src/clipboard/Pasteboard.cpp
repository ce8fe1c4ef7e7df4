#include "Pasteboard.h"

#include <QClipboard>
#include <QMimeData>

Pasteboard::Pasteboard(QClipboard *clipboard, QObject *parent)
    : Pasteboard(
          clipboard, [clipboard] { return clipboard->ownsClipboard(); }, parent)
{
}

Pasteboard::Pasteboard(QClipboard *clipboard, std::function<bool()> isOwn, QObject *parent)
    : QObject(parent), m_clipboard(clipboard), m_isOwn(std::move(isOwn))
{
    connect(m_clipboard, &QClipboard::dataChanged, this, [this] {
        ++m_changeCount;
        Q_EMIT changed();
    });
    connect(m_clipboard, &QClipboard::selectionChanged, this, &Pasteboard::selectionChanged);
}

bool Pasteboard::ownsSelection() const
{
    return m_clipboard->ownsSelection();
}

std::optional<QString> Pasteboard::text() const
{
    const QMimeData *data = mimeData();
    // Text put there as text only: QMimeData::hasText() and text() make one from a list of files too.
    if (!data ||
        !(data->hasFormat(QStringLiteral("text/plain")) || data->hasFormat(QStringLiteral("text/plain;charset=utf-8"))))
        return std::nullopt;
    return data->text();
}

const QMimeData *Pasteboard::mimeData() const
{
    return m_clipboard->mimeData(QClipboard::Clipboard);
}

void Pasteboard::write(QMimeData *data)
{
    m_clipboard->setMimeData(data, QClipboard::Clipboard);
}
