#pragma once

#include "ClipboardModels.h"

#include <QUuid>
#include <QWidget>

class ClipboardManager;
class QLabel;
class QPushButton;
class QScrollArea;

// The right column of the clipboard panel for one item: "Delete" (after its question), "Copy" (back onto the
// clipboard, which is no event of the history), "New entry", the item's "source · date", and its content: the
// image scaled to fit, a document placeholder with the file's name, or the whole text, selectable.
class ClipboardDetailColumn final : public QWidget
{
    Q_OBJECT

public:
    explicit ClipboardDetailColumn(ClipboardManager *manager, QWidget *parent = nullptr);

    void setItem(const ClipboardItem &item);

Q_SIGNALS:
    // The item the question was asked about, whichever item is shown by the time it is answered.
    void deleteConfirmed(const QUuid &id);
    void newEntryRequested(const ClipboardItem &item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildCommands();
    QPushButton *command(const QString &title, const QString &symbol, const QColor &color, const char *name);
    QWidget *buildContent(const ClipboardItem &item);
    QWidget *buildDocumentPlaceholder(const ClipboardFile &file, QWidget *parent);
    void confirmDelete();

    ClipboardManager *m_manager = nullptr;
    ClipboardItem m_item;
    QLabel *m_info = nullptr;
    QScrollArea *m_scroll = nullptr;
    QPushButton *m_newEntry = nullptr;
};
