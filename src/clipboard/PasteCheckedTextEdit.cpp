#include "PasteCheckedTextEdit.h"

#include "ClipboardManager.h"
#include "CrossPatientPasteAlert.h"
#include "PasteCheckedAccessible.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextCursor>

#include <algorithm>

PasteCheckedTextEdit::PasteCheckedTextEdit(ClipboardManager *manager, const QString &patientID, QWidget *parent)
    : QPlainTextEdit(parent), m_manager(manager), m_patientID(patientID)
{
    PasteCheckedAccessible::install();
}

void PasteCheckedTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!asksBeforePasting(source)) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // A plain editor takes only the text; kept, because the clipboard's data may be gone by the answer.
    const QString text = source->text();
    CrossPatientPasteAlert::insertAfterAsking(this, true, [this, text] {
        QMimeData data;
        data.setText(text);
        QPlainTextEdit::insertFromMimeData(&data);
    });
}

bool PasteCheckedTextEdit::asksBeforePasting(const QMimeData *source) const
{
    if (!source->hasText() || !m_manager)
        return false;
    // Both buffers are asked for their data the way the editor's paste and middle click ask for them.
    const QClipboard *clipboard = QGuiApplication::clipboard();
    if (source == clipboard->mimeData(QClipboard::Clipboard))
        return m_manager->clipboardHoldsAnotherPatientsCopy(m_patientID);
    return clipboard->supportsSelection() && source == clipboard->mimeData(QClipboard::Selection) &&
           m_manager->selectionHoldsAnotherPatientsText(m_patientID);
}

void PasteCheckedTextEdit::insertAccessibly(int position, const QString &text)
{
    if (isReadOnly())
        return;
    const bool asks = m_manager && m_manager->isAnotherPatientsCopy(text, m_patientID);
    CrossPatientPasteAlert::insertAfterAsking(this, asks, [this, position, text] {
        QTextCursor cursor = textCursor();
        cursor.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
        cursor.insertText(text);
        setTextCursor(cursor);
    });
}
