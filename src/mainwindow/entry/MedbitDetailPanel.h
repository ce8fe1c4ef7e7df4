#pragma once

#include "mainwindow/entry/AskExchange.h"
#include "records/Medbit.h"

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <QCoroTask>

#include <optional>

class AttachmentTile;
class ClipboardManager;
class EntryQuestionsStore;
class EntryQuestionsView;
class LoadFailure;
class MedbitCategoryRow;
class MedbitStore;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class ScreenAction;
class WindowState;

// The right-hand column of the timeline: the selected entry with its flags, categories, attachment tile
// and date, its Edit and Delete actions, and the questions asked about it. Every change goes to the store
// and shows once the store's list (through setMedbit) has it. The panel stays while the selection moves;
// only its content is rebuilt for another entry, and the questions asked stay listed. When the entry
// could not be fetched in full, its listed copy is shown under the failure and "Try Again"; when the service
// no longer has it, the panel says so in its place.
class MedbitDetailPanel final : public QWidget
{
    Q_OBJECT

public:
    MedbitDetailPanel(MedbitStore *store, EntryQuestionsStore *questions, ClipboardManager *clipboard,
                      WindowState *state, QWidget *parent);

    void setMedbit(const Medbit &medbit, const QString &patientID);
    const Medbit &medbit() const { return m_medbit; }
    const QList<AskExchange> &askExchanges() const;

    // The display date split at its last blank: month and day, then the year.
    static QPair<QString, QString> dateParts(const QString &displayDate);

Q_SIGNALS:
    // "Try Again" after the entry could not be fetched in full.
    void fetchAgainRequested();

private:
    void buildContent();
    void retireContent(QWidget *old);
    QWidget *buildCard(QWidget *parent);
    QWidget *buildCategories(QWidget *parent);
    QWidget *buildActions(QWidget *parent);
    void refreshContent();
    void refreshTile();
    void refreshBusy();
    void refreshDetailError();
    void holdFocus();
    void returnFocus();

    void saveEntry(const Medbit &changed);
    void toggleTag(const QString &code);
    void togglePreview();
    void confirmDelete();
    void openEditor();
    QCoro::Task<> updateTask(Medbit shown, Medbit changed);
    QCoro::Task<> deleteTask(Medbit medbit);

    QPointer<MedbitStore> m_store;
    // Handed to the edit form, whose text asks before another patient's paste.
    ClipboardManager *m_clipboard = nullptr;
    WindowState *m_state = nullptr;
    Medbit m_medbit;
    ScreenAction *m_flagAction = nullptr;
    ScreenAction *m_deleteAction = nullptr;

    LoadFailure *m_detailFailure = nullptr;
    // In place of the entry once the service has said it no longer has it.
    QWidget *m_gone = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    QVBoxLayout *m_contentLayout = nullptr;
    QLabel *m_text = nullptr;
    QLabel *m_original = nullptr;
    QLabel *m_initials = nullptr;
    QToolButton *m_star = nullptr;
    QToolButton *m_lock = nullptr;
    AttachmentTile *m_tile = nullptr;
    QLabel *m_dateHead = nullptr;
    QLabel *m_dateTail = nullptr;
    QList<MedbitCategoryRow *> m_categoryRows;
    QLabel *m_flagError = nullptr;
    QPushButton *m_delete = nullptr;
    EntryQuestionsView *m_questions = nullptr;
    // The object name of the control whose focus waits on the content while an update runs.
    QString m_heldFocus;
};
