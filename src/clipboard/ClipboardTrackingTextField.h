#pragma once

#include "ClipboardModels.h"

#include <QClipboard>
#include <QLineEdit>
#include <QString>

#include <functional>
#include <optional>

class ClipboardManager;
class QAction;
class QKeyEvent;

// A borderless one-line input that reports every copy, cut and paste made in it to the clipboard history,
// labelled with its source. QLineEdit's copy(), cut() and paste() are not virtual, so every key that does them
// and the context menu's actions go through performClipboardAction(). Middle-click inserts the selection
// buffer, which is not a clipboard paste and is not recorded. Return runs the submit action and nothing else
// (returnPressed is not emitted, and the key never reaches a default button). A paste asks first when it may
// carry another patient's information, unless the input keeps and sends nothing (setChecksPatientOnPaste):
// the paste keys, the context menu, a middle click and a screen reader's paste (through the input's own
// accessible interface, see PasteCheckedAccessible) all pass through one check.
class ClipboardTrackingTextField final : public QLineEdit
{
    Q_OBJECT

public:
    ClipboardTrackingTextField(ClipboardManager *manager, const QString &placeholder, const QString &source,
                               QWidget *parent = nullptr);

    QString source() const { return m_source; }
    // nullptr: Return does nothing.
    void setOnSubmit(std::function<void()> action) { m_onSubmit = std::move(action); }
    // On by default: off only for an input whose text is neither stored nor sent, like the timeline search.
    void setChecksPatientOnPaste(bool checks) { m_checksPatientOnPaste = checks; }

    // Does the action as QLineEdit would and reports it to the history.
    void performClipboardAction(ClipboardActionType action);
    // A screen reader's insert at `position`; what the clipboard holds goes in as its paste would.
    void insertAccessibly(int position, const QString &text);
    // Where the character at `position` is drawn, in the input's coordinates.
    QRect characterRect(int position) const;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    static std::optional<ClipboardActionType> clipboardActionFor(const QKeyEvent *event);
    void reroute(QAction *menuAction, ClipboardActionType action);
    void pasteChecked(QClipboard::Mode mode);
    bool asksBeforePasting(QClipboard::Mode mode) const;
    void report(ClipboardActionType action, const QString &text);

    ClipboardManager *m_manager = nullptr;
    QString m_source;
    std::function<void()> m_onSubmit;
    bool m_checksPatientOnPaste = true;
};
