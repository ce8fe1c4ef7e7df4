// The review operations of DocumentImportManager: edits, translation and the batch save.
#include "DocumentImportManager.h"

#include "ImportRequests.h"

#include "net/APIError.h"
#include "records/MedbitStore.h"

#include <algorithm>

void DocumentImportManager::updateMedbit(const QString &tag, const PreviewMedbit &medbit)
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

void DocumentImportManager::deleteMedbit(const QString &tag, const QString &id)
{
    TaggedPreviewMedbits *target = section(tag);
    if (target && target->medbits.removeIf([&id](const PreviewMedbit &listed) { return listed.id == id; }) > 0)
        Q_EMIT sectionsChanged();
}

// The entries' own language stays: it came from the service and goes back with the save.
void DocumentImportManager::undoTranslation()
{
    QList<TaggedPreviewMedbits> sections = m_sections;
    for (TaggedPreviewMedbits &listed : sections) {
        for (PreviewMedbit &medbit : listed.medbits)
            medbit.translated.reset();
    }
    setSections(sections);
    setTranslationLanguage(std::nullopt);
}

QCoro::Task<> DocumentImportManager::translate(QString language)
{
    if (m_isTranslating || !m_analyzeId || flattenedSuggestions().isEmpty())
        co_return;
    setIsTranslating(true);
    const QString analyzeId = *m_analyzeId;
    QPointer<DocumentImportManager> self(this);
    QList<TranslatedPatch> patches;
    std::optional<QString> failure;
    try {
        patches = co_await ImportRequests::translate(m_patientID, analyzeId, language);
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (!self)
        co_return;
    if (failure) {
        setActiveError(DocumentImportError::uploadFailed(*failure));
    } else if (m_analyzeId == analyzeId) {
        // A reply for an analysis the review no longer shows would write into another import's entries.
        applyTranslation(patches);
        setTranslationLanguage(language);
    }
    setIsTranslating(false);
}

void DocumentImportManager::applyTranslation(const QList<TranslatedPatch> &patches)
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

// Everything the save sends is taken when it starts: the patient, the files and the entries of that moment,
// so that a patient change or a new import while it runs cannot mix into it.
QCoro::Task<> DocumentImportManager::save(MedbitStore *store)
{
    if (m_isSaving)
        co_return;
    setIsSaving(true);
    const QList<PreviewMedbit> medbits = flattenedSuggestions();
    if (medbits.isEmpty()) {
        reset();
        setIsSaving(false);
        co_return;
    }
    const QString patientID = m_patientID;
    const quint64 generation = m_generation;
    QPointer<DocumentImportManager> self(this);
    const QPointer<MedbitStore> target(store);
    QList<Medbit> created;
    try {
        const QStringList documentIDs = co_await documentIDsForSave(patientID, m_uploadedFiles, generation);
        created = co_await ImportRequests::bulkCreate(patientID, medbits, documentIDs);
    } catch (const APIError &) {
        if (self)
            setIsSaving(false);
        throw;
    }
    if (target)
        target->setMedbitsOfPatient(created + target->medbits(), patientID);
    if (!self)
        co_return;
    if (isCurrent(generation))
        reset();
    setIsSaving(false);
}

// A retry after a failed entry creation must not store the same files as documents a second time.
QCoro::Task<QStringList>
DocumentImportManager::documentIDsForSave(QString patientID, QList<SmartAnalyzeUploadedFile> files, quint64 generation)
{
    if (m_savedDocumentIDs)
        co_return *m_savedDocumentIDs;
    QPointer<DocumentImportManager> self(this);
    const QStringList ids = co_await ImportRequests::registerDocuments(patientID, files);
    if (self && isCurrent(generation))
        m_savedDocumentIDs = ids;
    co_return ids;
}
