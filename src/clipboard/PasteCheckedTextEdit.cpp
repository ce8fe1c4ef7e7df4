#include "PasteCheckedTextEdit.h"

#include "ClipboardManager.h"
#include "CrossPatientPasteAlert.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

PasteCheckedTextEdit::PasteCheckedTextEdit(ClipboardManager *manager, QWidget *parent)
    : QPlainTextEdit(parent), m_manager(manager)
{
}

void PasteCheckedTextEdit::insertFromMimeData(const QMimeData *source)
{
    const bool isClipboardPaste = source == QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!isClipboardPaste || !source->hasText() || !m_manager || !m_manager->clipboardHoldsAnotherPatientsCopy()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // A plain editor takes only the text; kept, because the clipboard's data may be gone by the answer.
    const QString text = source->text();
    auto *alert = new CrossPatientPasteAlert(this);
    connect(alert, &CrossPatientPasteAlert::allowed, this, [this, text] {
        QMimeData data;
        data.setText(text);
        QPlainTextEdit::insertFromMimeData(&data);
    });
    alert->open();
}
