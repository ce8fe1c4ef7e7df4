#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QClipboard;

// The system clipboard as the history watches it: a change count that rises with every change of its
// contents (Qt has none, so it counts dataChanged), and its plain text. The selection buffer is not counted.
class Pasteboard final : public QObject
{
    Q_OBJECT

public:
    explicit Pasteboard(QClipboard *clipboard, QObject *parent = nullptr);

    int changeCount() const { return m_changeCount; }
    // Absent when the clipboard holds no text (only an image, files, or nothing).
    std::optional<QString> text() const;

private:
    QClipboard *m_clipboard = nullptr;
    int m_changeCount = 0;
};
