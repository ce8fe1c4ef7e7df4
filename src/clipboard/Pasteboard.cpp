#include "Pasteboard.h"

#include <QClipboard>
#include <QMimeData>

Pasteboard::Pasteboard(QClipboard *clipboard, QObject *parent) : QObject(parent), m_clipboard(clipboard)
{
    connect(m_clipboard, &QClipboard::dataChanged, this, [this] { ++m_changeCount; });
}

std::optional<QString> Pasteboard::text() const
{
    const QMimeData *data = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}
