#pragma once

#include "ImportModels.h"

#include <QWidget>

#include <optional>

class QLabel;
class ReviewTextField;
class QToolButton;

// One suggested entry of the review: its translation (while it has one) and its text, both edited in place
// and growing with their text, its date, and star, lock and delete buttons. Every keystroke and click is
// reported at once as the whole changed entry; the owner sends the entry back through setMedbit().
class PreviewMedbitRow final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewMedbitRow(const PreviewMedbit &medbit, QWidget *parent = nullptr);

    const PreviewMedbit &medbit() const { return m_medbit; }
    // Takes the entry as the owner now holds it. The entry text the user types is never overwritten; a
    // changed translation replaces the translation field's text without being reported back.
    void setMedbit(const PreviewMedbit &medbit);
    // Its controls in the order they are seen: the translation while shown, the text, star, lock, delete.
    QList<QWidget *> tabStops() const;

Q_SIGNALS:
    void updated(const PreviewMedbit &medbit);
    void deleteRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QToolButton *buildButton(const QString &name, const QString &accessibleName);
    void refresh();
    void onEntryTextEdited();
    void onTranslationEdited();

    PreviewMedbit m_medbit;
    ReviewTextField *m_translation = nullptr;
    ReviewTextField *m_entryText = nullptr;
    QLabel *m_date = nullptr;
    QToolButton *m_star = nullptr;
    QToolButton *m_lock = nullptr;
    QToolButton *m_delete = nullptr;
    std::optional<bool> m_showsTranslation;
    std::optional<bool> m_showsStarred;
    std::optional<bool> m_showsLocked;
};
