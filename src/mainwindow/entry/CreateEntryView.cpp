#include "mainwindow/entry/CreateEntryView.h"

#include "clipboard/PasteCheckedTextEdit.h"
#include "mainwindow/entry/AttachmentUpload.h"
#include "mainwindow/entry/EntryDate.h"
#include "mainwindow/entry/EntryDateField.h"
#include "records/CategoryOption.h"
#include "records/MedbitStore.h"
#include "records/PatientMedbits.h"
#include "widgets/AttachmentPicker.h"
#include "widgets/BusyButton.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

constexpr int formWidth = 480;
constexpr int newEntryHeight = 620;
constexpr int editHeight = 440;
constexpr int contentPadding = 24;
constexpr int categoryMinimumWidth = 160;
constexpr int categorySpacing = 8;

// Caption over a section's controls, in the look of the form's other captions.
QWidget *section(const QString &title, QWidget *parent, QVBoxLayout **body, int spacing = FormKit::fieldSpacing)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *caption = new QLabel(title, box);
    caption->setFont(Theme::subheadlineFont());
    FormKit::setSecondary(caption);
    layout->addWidget(caption);
    *body = layout;
    return box;
}

QCheckBox *toggle(const QString &title, const char *name, QWidget *parent)
{
    auto *box = new QCheckBox(title, parent);
    box->setObjectName(QLatin1StringView(name));
    return box;
}

// A chosen category's label takes the accent colour, as its check mark does.
void showSelection(QCheckBox *category)
{
    QPalette colours = category->parentWidget()->palette();
    if (category->isChecked())
        colours.setColor(QPalette::WindowText, colours.color(QPalette::Highlight));
    category->setPalette(colours);
}

} // namespace

CreateEntryView::CreateEntryView(MedbitStore *store, ClipboardManager *clipboard, std::optional<Medbit> existing,
                                 const QString &initialText, std::optional<QUrl> attachmentURL, QWidget *parent)
    : QDialog(parent), m_store(store), m_existing(std::move(existing)),
      m_patientID(store ? store->patientID() : QString()), m_saveAction(new ScreenAction(this))
{
    setObjectName(QStringLiteral("createEntryView"));
    // First, so that the colours the form derives from its palette are the window's.
    Theme::applyPalette(this);
    setWindowTitle(isEditing() ? tr("Edit Entry") : tr("New Entry"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(formWidth, isEditing() ? editHeight : newEntryHeight);
    m_date = isEditing() ? QDateTime::fromSecsSinceEpoch(m_existing->date) : EntryDate::now();
    if (!isEditing() && attachmentURL)
        m_pending.append({QUuid::createUuid(), *attachmentURL});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(FormKit::divider(this));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("entryScrollArea"));
    // A focus stop of its own, for scrolling the form by keyboard: read out under the sheet's title.
    m_scroll->setAccessibleName(windowTitle());
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(buildContent(isEditing() ? m_existing->entryText : initialText, clipboard));
    layout->addWidget(m_scroll, 1);
    connect(m_saveAction, &ScreenAction::busyChanged, this, &CreateEntryView::refresh);
    refresh();
    m_editor->setFocus();
}

bool CreateEntryView::isSaving() const
{
    return m_saveAction->isBusy();
}

QWidget *CreateEntryView::buildHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(20, 20, 20, 20);
    auto *title = new QLabel(windowTitle(), header);
    title->setObjectName(QStringLiteral("formTitle"));
    title->setFont(Theme::title2Font());
    row->addWidget(title);
    row->addStretch(1);
    auto *cancel = new QPushButton(tr("Cancel"), header);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    m_save = new BusyButton(tr("Save"), header);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setBusyTitle(tr("Saving…"));
    row->addWidget(cancel);
    row->addWidget(m_save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &CreateEntryView::save);
    return header;
}

QWidget *CreateEntryView::buildContent(const QString &initialText, ClipboardManager *clipboard)
{
    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(contentPadding, contentPadding, contentPadding, contentPadding);
    layout->setSpacing(20);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QVBoxLayout *entry = nullptr;
    layout->addWidget(section(tr("Entry"), content, &entry));
    // A plain editor on purpose: its copy and paste stay out of the clipboard history. Its text is the sheet's
    // patient's, also after another patient has been opened.
    m_editor = new PasteCheckedTextEdit(clipboard, m_patientID, content);
    m_editor->setObjectName(QStringLiteral("entryTextEditor"));
    m_editor->setAccessibleName(tr("Entry"));
    m_editor->setTabChangesFocus(true);
    m_editor->setMinimumHeight(140);
    m_editor->setPlainText(initialText);
    QColor border = Theme::secondaryColor(m_editor);
    border.setAlphaF(0.2f);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid %1; border-radius: 8px; padding: 6px; }")
                                .arg(border.name(QColor::HexArgb)));
    entry->addWidget(m_editor);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &CreateEntryView::refresh);

    if (!isEditing()) {
        layout->addWidget(dateSection());
        layout->addWidget(categoriesSection());
        layout->addWidget(flagsSection());
    }
    layout->addWidget(attachmentsSection());
    m_error = FormKit::errorCaption(content);
    m_error->setObjectName(QStringLiteral("errorLabel"));
    layout->addWidget(m_error);
    return content;
}

QWidget *CreateEntryView::dateSection()
{
    QVBoxLayout *body = nullptr;
    QWidget *box = section(tr("Date"), this, &body);
    auto *row = new QHBoxLayout;
    row->setSpacing(16);
    m_datePicker = new EntryDateField(m_date.date(), box);
    m_datePicker->setObjectName(QStringLiteral("datePicker"));
    m_datePicker->setToday(EntryDate::now().date());
    connect(m_datePicker, &EntryDateField::dateChanged, this,
            [this](QDate day) { m_date = EntryDate::onDay(m_date, day); });
    m_approximate = toggle(tr("Approximate"), "approximateToggle", box);
    row->addWidget(m_datePicker);
    row->addWidget(m_approximate, 0, Qt::AlignTop);
    row->addStretch(1);
    body->addLayout(row);
    return box;
}

QWidget *CreateEntryView::categoriesSection()
{
    QVBoxLayout *body = nullptr;
    QWidget *box = section(tr("Categories"), this, &body);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(categorySpacing);
    grid->setVerticalSpacing(categorySpacing);
    const int width = formWidth - 2 * contentPadding;
    const int columns = std::max(1, (width + categorySpacing) / (categoryMinimumWidth + categorySpacing));
    for (const CategoryOption &option : CategoryOption::all()) {
        auto *category = new QCheckBox(option.label, box);
        category->setObjectName(QStringLiteral("category_") + option.code);
        category->setMinimumWidth(categoryMinimumWidth);
        connect(category, &QCheckBox::toggled, category, [category] { showSelection(category); });
        grid->addWidget(category, int(m_categories.size()) / columns, int(m_categories.size()) % columns);
        m_categories.append(category);
    }
    body->addLayout(grid);
    return box;
}

QWidget *CreateEntryView::flagsSection()
{
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(24);
    m_locked = toggle(tr("Locked"), "lockedToggle", box);
    m_locked->setIcon(SymbolIcons::icon(QStringLiteral("lock.fill")));
    m_starred = toggle(tr("Starred"), "starredToggle", box);
    m_starred->setIcon(SymbolIcons::icon(QStringLiteral("star")));
    row->addWidget(m_locked);
    row->addWidget(m_starred);
    row->addStretch(1);
    return box;
}

QWidget *CreateEntryView::attachmentsSection()
{
    QWidget *box = section(tr("Attachments"), this, &m_attachmentRows, 8);
    if (isEditing()) {
        for (const ImageAsset &document : m_existing->documents)
            addAttachmentRow(document.fileName.value_or(tr("Document")), true);
    }
    for (const PendingAttachment &attachment : std::as_const(m_pending))
        addAttachmentRow(attachment.url.fileName(), false);
    m_addAttachment = new QPushButton(tr("Add Attachment…"), box);
    m_addAttachment->setObjectName(QStringLiteral("addAttachmentButton"));
    m_addAttachment->setAutoDefault(false);
    m_attachmentRows->addWidget(m_addAttachment);
    connect(m_addAttachment, &QPushButton::clicked, this, &CreateEntryView::addAttachments);
    return box;
}

// Rows go above "Add Attachment…": the entry's own documents (for information only), then the chosen files.
void CreateEntryView::addAttachmentRow(const QString &name, bool isDocument)
{
    QWidget *box = m_attachmentRows->parentWidget();
    auto *row = new QWidget(box);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *icon = new QLabel(row);
    icon->setPixmap(SymbolIcons::icon(QStringLiteral("paperclip")).pixmap(12, 12));
    auto *label = FormKit::caption(row);
    label->setObjectName(isDocument ? QStringLiteral("documentLabel") : QStringLiteral("pendingAttachmentLabel"));
    label->setWordWrap(false);
    FormKit::setCaptionText(label, name);
    if (isDocument)
        FormKit::setSecondary(label);
    layout->addWidget(icon);
    layout->addWidget(label);
    layout->addStretch(1);
    const int beforeButton = m_addAttachment ? m_attachmentRows->indexOf(m_addAttachment) : m_attachmentRows->count();
    m_attachmentRows->insertWidget(beforeButton, row);
}

void CreateEntryView::addAttachments()
{
    AttachmentPicker::choose(this, [this](const QList<QUrl> &urls) { appendPending(urls); });
}

void CreateEntryView::appendPending(const QList<QUrl> &urls)
{
    for (const QUrl &url : urls) {
        m_pending.append({QUuid::createUuid(), url});
        addAttachmentRow(url.fileName(), false);
    }
}

void CreateEntryView::refresh()
{
    m_save->setBusy(isSaving());
    m_save->setReady(!m_editor->toPlainText().trimmed().isEmpty());
    // A file chosen while a save runs would be neither sent nor kept apart from those that were.
    m_addAttachment->setEnabled(!isSaving());
}

void CreateEntryView::save()
{
    const QString text = m_editor->toPlainText().trimmed();
    if (text.isEmpty() || isSaving() || !m_store)
        return;
    // A date that cannot be read, or a day after today, is refused under the field as typed, never saved as
    // some other day.
    if (m_datePicker && !m_datePicker->confirmAcceptable()) {
        m_datePicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    FormKit::setCaptionText(m_error, QString());
    SaveJob job;
    job.entry = entryToSave(text);
    job.base = m_saved.value_or(m_existing.value_or(job.entry));
    // The sheet's own patient, whatever the window has opened since it opened.
    job.patientID = m_patientID;
    job.isUpdate = isEditing() || m_saved;
    for (const PendingAttachment &attachment : std::as_const(m_pending)) {
        if (!attachment.isUploaded)
            job.attachments.append(attachment);
    }
    runSave(std::move(job));
}

Medbit CreateEntryView::entryToSave(const QString &text) const
{
    Medbit entry = m_saved.value_or(m_existing.value_or(Medbit{}));
    if (entry.id.isEmpty())
        entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    entry.entryText = text;
    // An edited entry keeps its date, flags and tags: this form does not show them.
    if (isEditing())
        return entry;
    entry.date = EntryDate::secondsSince1970(m_date);
    entry.isApproxDate = m_approximate->isChecked();
    entry.isLocked = m_locked->isChecked();
    entry.isStarred = m_starred->isChecked();
    entry.tags.clear();
    for (qsizetype i = 0; i < m_categories.size(); ++i) {
        if (m_categories.at(i)->isChecked())
            entry.tags.append(CategoryOption::all().at(i).code);
    }
    return entry;
}

QCoro::Task<> CreateEntryView::runSave(SaveJob job)
{
    std::optional<QString> readFailure;
    // The entries of the patient the sheet writes for, also when another patient is open by the time it saves.
    QCoro::Task<> steps = saveSteps(std::move(job), this, m_store->patient(m_patientID), &readFailure);
    const ScreenAction::Outcome outcome = co_await m_saveAction->run(std::move(steps));
    if (outcome.abandoned)
        co_return;
    finishSave(outcome.failure ? outcome.failure : readFailure);
}

QCoro::Task<> CreateEntryView::saveSteps(SaveJob job, QPointer<CreateEntryView> form, QPointer<PatientMedbits> medbits,
                                         std::optional<QString> *readFailure)
{
    // save() saw the entries, and this part runs before the first suspension.
    QCoro::Task<Medbit> write =
        job.isUpdate ? medbits->updateMedbit(job.base, job.entry) : medbits->createMedbit(job.entry);
    const Medbit saved = co_await std::move(write);
    if (form)
        form->markSaved(saved);
    try {
        for (const PendingAttachment &attachment : std::as_const(job.attachments)) {
            const auto upload = [url = attachment.url, patientID = job.patientID, id = saved.id] {
                return AttachmentUpload::upload(url, patientID, id);
            };
            // The entry's copy then lists the new document; a failed refresh does not undo the upload.
            if (medbits)
                co_await medbits->attachDocument(saved.id, upload);
            else
                co_await upload();
            if (form)
                form->markUploaded(attachment.id);
        }
    } catch (const AttachmentReadError &error) {
        *readFailure = error.description();
    }
}

void CreateEntryView::markSaved(const Medbit &saved)
{
    m_saved = saved;
}

void CreateEntryView::markUploaded(const QUuid &id)
{
    for (PendingAttachment &attachment : m_pending) {
        if (attachment.id == id)
            attachment.isUploaded = true;
    }
}

void CreateEntryView::finishSave(const std::optional<QString> &failure)
{
    if (!failure) {
        // After Cancel the sheet is already closed: closing it again would report a second outcome.
        if (isVisible())
            accept();
        return;
    }
    FormKit::setCaptionText(m_error, *failure);
    m_editor->setFocus();
    // The message sits below the attachments, where the user looks after "Save": scrolled into view once
    // the form has made room for it.
    QTimer::singleShot(0, this, [this] { m_scroll->ensureWidgetVisible(m_error); });
}
