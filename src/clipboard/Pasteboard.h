#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QClipboard;
class QMimeData;

// The system clipboard as the history watches it: a change count that rises with every change of its
// contents (Qt has none, so it counts dataChanged) and is told as it rises, its plain text, its whole contents
// and whether this application made them. Of the selection buffer (X11's middle-click paste) only its changes
// are told, and whether this application made it.
class Pasteboard final : public QObject
{
    Q_OBJECT

public:
    explicit Pasteboard(QClipboard *clipboard, QObject *parent = nullptr);
    // With `isOwn` telling whether this program made what the clipboard holds, where the platform cannot tell:
    // offscreen every change is this program's, yet the platform never says so.
    Pasteboard(QClipboard *clipboard, std::function<bool()> isOwn, QObject *parent = nullptr);

    int changeCount() const { return m_changeCount; }
    // Absent when the clipboard holds no text (only an image, files, or nothing).
    std::optional<QString> text() const;
    // What the clipboard holds now; null when nothing. Valid until the clipboard changes.
    const QMimeData *mimeData() const;
    // Replaces the clipboard's contents; the clipboard takes ownership of data.
    void write(QMimeData *data);
    // Whether this program made what the clipboard holds now.
    bool ownsClipboard() const { return m_isOwn(); }
    bool ownsSelection() const;

Q_SIGNALS:
    // After the change count has risen.
    void changed();
    void selectionChanged();

private:
    QClipboard *m_clipboard = nullptr;
    std::function<bool()> m_isOwn;
    int m_changeCount = 0;
};
