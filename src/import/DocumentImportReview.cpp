#include "DocumentImportReview.h"

#include "DocumentImportManager.h"
#include "ImportRequests.h"

#include "net/APIClient.h"
#include "net/APIError.h"
#include "records/MedbitStore.h"
#include "records/PatientMedbits.h"

#include <QPointer>

#include <algorithm>

namespace
{

// The review's sections, in the order it shows them; expenses and contacts get none.
QList<TaggedPreviewMedbits> loadingSections()
{
    QList<TaggedPreviewMedbits> sections;
    for (const char *tag : {"hx", "rx", "ax", "vx", "zx", "lab"})
        sections.append({QString::fromLatin1(tag), {}, true});
    return sections;
}

} // namespace

DocumentImportReview::DocumentImportReview(DocumentImportManager *import) : QObject(import), m_import(import) {}

void DocumentImportReview::showLoading(const QString &patientID)
{
    m_patientID = patientID;
    m_foundSuggestions = false;
    setSections(loadingSections());
}

void DocumentImportReview::appendSuggestions(const SmartAnalyzeMessageEvent &message)
{
    TaggedPreviewMedbits *target = section(message.tag);
    if (!target || (message.items.isEmpty() && !target->isLoading))
        return;
    target->medbits.append(message.items);
    target->isLoading = false;
    m_foundSuggestions = m_foundSuggestions || !message.items.isEmpty();
    Q_EMIT sectionsChanged();
}

void DocumentImportReview::finishLoading()
{
    QList<TaggedPreviewMedbits> sections = m_sections;
    for (TaggedPreviewMedbits &loaded : sections)
        loaded.isLoading = false;
    setSections(sections);
}

void DocumentImportReview::clear()
{
    m_generation.next();
    m_savedDocumentIDs.reset();
    m_foundSuggestions = false;
    setSections({});
    setTranslationLanguage(std::nullopt);
}

void DocumentImportReview::updateMedbit(const QString &tag, const PreviewMedbit &medbit)
{
    TaggedPreviewMedbits *target = section(tag);
    if (!target)
        return;
    const auto it = std::find_if(target->medbits.begin(), target->medbits.end(),
                                 [&medbit](const PreviewMedbit &listed) { return listed.id == medbit.id; });
    if (it == target->medbits.end() || *it == medbit)
        return;
    *it = medbit;
    Q_EMIT sectionsChanged();
}

void DocumentImportReview::deleteMedbit(const QString &tag, const QString &id)
{
    TaggedPreviewMedbits *target = section(tag);
    if (target && target->medbits.removeIf([&id](const PreviewMedbit &listed) { return listed.id == id; }) > 0)
        Q_EMIT sectionsChanged();
}

// The entries' own language stays: it came from the service and goes back with the save.
void DocumentImportReview::undoTranslation()
{
    QList<TaggedPreviewMedbits> sections = m_sections;
    for (TaggedPreviewMedbits &listed : sections) {
        for (PreviewMedbit &medbit : listed.medbits)
            medbit.translated.reset();
    }
    setSections(sections);
    setTranslationLanguage(std::nullopt);
}

QCoro::Task<> DocumentImportReview::translate(QString language)
{
    const std::optional<QString> analyzeId = m_import->analyzeId();
    if (m_isTranslating || !analyzeId || flattenedSuggestions().isEmpty())
        co_return;
    setIsTranslating(true);
    QPointer<DocumentImportReview> self(this);
    QList<TranslatedPatch> patches;
    std::optional<QString> failure;
    try {
        patches = co_await ImportRequests::translate(m_patientID, *analyzeId, language);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (!self)
        co_return;
    if (failure) {
        m_import->setActiveError(DocumentImportError::uploadFailed(*failure));
    } else if (m_import->analyzeId() == analyzeId) {
        // A reply for an analysis the review no longer shows would write into another import's entries.
        applyTranslation(patches);
        setTranslationLanguage(language);
    }
    setIsTranslating(false);
}

void DocumentImportReview::applyTranslation(const QList<TranslatedPatch> &patches)
{
    QList<TaggedPreviewMedbits> sections = m_sections;
    for (const TranslatedPatch &patch : patches) {
        for (TaggedPreviewMedbits &listed : sections) {
            const auto it = std::find_if(listed.medbits.begin(), listed.medbits.end(),
                                         [&patch](const PreviewMedbit &medbit) { return medbit.id == patch.id; });
            if (it != listed.medbits.end()) {
                it->translated = patch.translated;
                break;
            }
        }
    }
    setSections(sections);
}

// Everything the save sends is taken when it starts: the import's patient, the files and the entries of that
// moment, so that a patient change or a new import while it runs cannot mix into it.
QCoro::Task<> DocumentImportReview::save(MedbitStore *store)
{
    if (m_isSaving)
        co_return;
    setIsSaving(true);
    const QList<PreviewMedbit> medbits = flattenedSuggestions();
    if (medbits.isEmpty()) {
        m_import->reset();
        setIsSaving(false);
        co_return;
    }
    const QString patientID = m_patientID;
    const Generation::Token generation = m_generation.current();
    QPointer<DocumentImportReview> self(this);
    // The patient's entries, which outlive this window and its store.
    const QPointer<PatientMedbits> target(store->patient(patientID));
    // One change through both requests, so that a sign-out cannot slip in between them.
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    QList<Medbit> created;
    try {
        const QStringList documentIDs = co_await documentIDsForSave(patientID, m_import->uploadedFiles(), generation);
        created = co_await ImportRequests::bulkCreate(patientID, medbits, documentIDs);
    } catch (const APIError &error) {
        hold.fail(error);
        if (self)
            setIsSaving(false);
        throw;
    }
    if (target)
        target->addCreated(created);
    if (!self)
        co_return;
    if (m_generation.isCurrent(generation))
        m_import->reset();
    setIsSaving(false);
}

// A retry after a failed entry creation must not store the same files as documents a second time.
QCoro::Task<QStringList> DocumentImportReview::documentIDsForSave(QString patientID,
                                                                  QList<SmartAnalyzeUploadedFile> files,
                                                                  Generation::Token generation)
{
    if (m_savedDocumentIDs)
        co_return *m_savedDocumentIDs;
    QPointer<DocumentImportReview> self(this);
    const QStringList ids = co_await ImportRequests::registerDocuments(patientID, files);
    if (self && m_generation.isCurrent(generation))
        m_savedDocumentIDs = ids;
    co_return ids;
}

TaggedPreviewMedbits *DocumentImportReview::section(const QString &tag)
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(),
                                 [&tag](const TaggedPreviewMedbits &candidate) { return candidate.tag == tag; });
    return it == m_sections.end() ? nullptr : &*it;
}

bool DocumentImportReview::canSave() const
{
    return !m_isSaving && std::any_of(m_sections.cbegin(), m_sections.cend(),
                                      [](const TaggedPreviewMedbits &listed) { return !listed.medbits.isEmpty(); });
}

QList<PreviewMedbit> DocumentImportReview::flattenedSuggestions() const
{
    QList<PreviewMedbit> all;
    for (const TaggedPreviewMedbits &listed : m_sections)
        all.append(listed.medbits);
    return all;
}

void DocumentImportReview::setSections(const QList<TaggedPreviewMedbits> &sections)
{
    if (m_sections == sections)
        return;
    m_sections = sections;
    Q_EMIT sectionsChanged();
}

void DocumentImportReview::setIsSaving(bool saving)
{
    if (m_isSaving == saving)
        return;
    m_isSaving = saving;
    Q_EMIT isSavingChanged(saving);
}

void DocumentImportReview::setIsTranslating(bool translating)
{
    if (m_isTranslating == translating)
        return;
    m_isTranslating = translating;
    Q_EMIT isTranslatingChanged(translating);
}

void DocumentImportReview::setTranslationLanguage(const std::optional<QString> &language)
{
    if (m_translationLanguage == language)
        return;
    m_translationLanguage = language;
    Q_EMIT translationLanguageChanged();
}
