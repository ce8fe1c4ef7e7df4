#pragma once

#include "mainwindow/entry/PendingAttachment.h"
#include "records/Medbit.h"

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QPointer>

#include <QCoroTask>

#include <optional>

class BusyButton;
class ClipboardManager;
class EntryDateField;
class MedbitStore;
class PatientMedbits;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class ScreenAction;

// The window-modal sheet in which the user writes a new entry of the open patient, or edits the text of
// one, and attaches files. Save creates or updates the entry through the store, then uploads the chosen
// files one by one; it closes the sheet (accept()) when all of it succeeded and shows the failure in red
// otherwise. A save goes on to its end after the sheet is closed; the sheet deletes itself when closed.
class CreateEntryView final : public QDialog
{
    Q_OBJECT

public:
    // The sheet is for the patient `store` shows when it opens: its saves go to that patient whichever one
    // the window shows by the time Save is pressed. With `existing` the sheet edits that entry's text and
    // lists its documents; `initialText` and `attachmentURL` are then ignored. Otherwise a new entry starts with
    // `initialText` (untrimmed), dated now, and with `attachmentURL` as its one chosen file when given. A paste into
    // the text asks first when `clipboard` says the clipboard holds what was copied under another patient.
    CreateEntryView(MedbitStore *store, ClipboardManager *clipboard, std::optional<Medbit> existing,
                    const QString &initialText, std::optional<QUrl> attachmentURL, QWidget *parent);

    bool isEditing() const { return m_existing.has_value(); }
    bool isSaving() const;

private:
    // What one press of Save sends; fixed when it is pressed.
    struct SaveJob {
        Medbit entry;
        // The copy `entry` was made from: an update writes only what the form changed in it.
        Medbit base;
        QString patientID;
        bool isUpdate = false;
        QList<PendingAttachment> attachments;
    };

    QWidget *buildHeader();
    QWidget *buildContent(const QString &initialText, ClipboardManager *clipboard);
    QWidget *dateSection();
    QWidget *categoriesSection();
    QWidget *flagsSection();
    QWidget *attachmentsSection();
    void addAttachmentRow(const QString &name, bool isDocument);
    void addAttachments();
    void appendPending(const QList<QUrl> &urls);
    void refresh();
    void save();
    Medbit entryToSave(const QString &text) const;
    QCoro::Task<> runSave(SaveJob job);
    // The steps of one save; they go on when the form is gone, and write to it only while it exists. A file
    // that cannot be read ends them with its text in `readFailure`.
    static QCoro::Task<> saveSteps(SaveJob job, QPointer<CreateEntryView> form, QPointer<PatientMedbits> medbits,
                                   std::optional<QString> *readFailure);
    void markSaved(const Medbit &saved);
    void markUploaded(const QUuid &id);
    void finishSave(const std::optional<QString> &failure);

    QPointer<MedbitStore> m_store;
    const std::optional<Medbit> m_existing;
    // The patient this sheet writes for, taken when it opened.
    const QString m_patientID;
    // The entry as the service holds it once a save of this form created or updated it: a later save updates
    // it and sends only the files not yet uploaded.
    std::optional<Medbit> m_saved;
    QDateTime m_date;
    QList<PendingAttachment> m_pending;
    ScreenAction *m_saveAction = nullptr;

    QPlainTextEdit *m_editor = nullptr;
    EntryDateField *m_datePicker = nullptr;
    QCheckBox *m_approximate = nullptr;
    QCheckBox *m_locked = nullptr;
    QCheckBox *m_starred = nullptr;
    QList<QCheckBox *> m_categories; // in the order of CategoryOption::all()
    QVBoxLayout *m_attachmentRows = nullptr;
    QPushButton *m_addAttachment = nullptr;
    BusyButton *m_save = nullptr;
    QLabel *m_error = nullptr;
    QScrollArea *m_scroll = nullptr;
};
