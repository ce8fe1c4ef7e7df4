#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class QMimeData;
class QWidget;

// Makes a widget a drop target for local files. A drag that carries at least one local file is accepted
// and reported as targeted while it hovers; a drop hands over the local files, in the drag's order, once
// and on the next event-loop turn, so the receiver never runs inside the drag's own handling. Other items
// of a drop (web links, text) are left out; a drag without any local file is refused.
class FileDropFilter final : public QObject
{
    Q_OBJECT

public:
    // Installs itself on `target` as its child.
    explicit FileDropFilter(QWidget *target);

    bool isTargeted() const { return m_isTargeted; }

    static QList<QUrl> localFiles(const QMimeData *data);

Q_SIGNALS:
    void targetedChanged(bool targeted);
    void dropped(const QList<QUrl> &files);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setTargeted(bool targeted);

    bool m_isTargeted = false;
};
