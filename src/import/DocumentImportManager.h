#pragma once

#include "DocumentImportError.h"
#include "ImportModels.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <QCoroTask>

#include <memory>
#include <optional>

class MedbitStore;
class AbortHandle;
struct SSEEvent;
struct StreamRequest;

// One document import of the selected patient: accepts files, uploads them for analysis, fills the review
// sections from the analysis stream, and translates and saves the reviewed suggestions. Usage:
//   manager->setPatientID(id);
//   manager->importFiles(urls);            // opens the review (isReviewPresented) and starts the upload
//   co_await manager->save(store);         // after "done"; throws APIError
// Every import has a generation: reset() ends it, aborting its upload at once, and whatever its work
// brings back later is dropped.
class DocumentImportManager final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<TaggedPreviewMedbits> sections READ sections NOTIFY sectionsChanged)
    Q_PROPERTY(int currentStep READ currentStep NOTIFY currentStepChanged)
    Q_PROPERTY(bool isExtractionDone READ isExtractionDone NOTIFY isExtractionDoneChanged)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    Q_PROPERTY(bool isTranslating READ isTranslating NOTIFY isTranslatingChanged)
    Q_PROPERTY(std::optional<QString> translationLanguage READ translationLanguage NOTIFY translationLanguageChanged)
    Q_PROPERTY(double uploadProgress READ uploadProgress NOTIFY uploadProgressChanged)
    Q_PROPERTY(
        std::optional<DocumentImportError> activeError READ activeError WRITE setActiveError NOTIFY activeErrorChanged)
    Q_PROPERTY(bool isReviewPresented READ isReviewPresented WRITE setIsReviewPresented NOTIFY isReviewPresentedChanged)

public:
    explicit DocumentImportManager(const QString &patientID = {}, QObject *parent = nullptr);
    ~DocumentImportManager() override;

    const QList<TaggedPreviewMedbits> &sections() const { return m_sections; }
    int currentStep() const { return m_currentStep; }
    bool isExtractionDone() const { return m_isExtractionDone; }
    bool isSaving() const { return m_isSaving; }
    bool isTranslating() const { return m_isTranslating; }
    std::optional<QString> translationLanguage() const { return m_translationLanguage; }
    double uploadProgress() const { return m_uploadProgress; }
    std::optional<DocumentImportError> activeError() const { return m_activeError; }
    // The window's alert clears it when dismissed.
    void setActiveError(const std::optional<DocumentImportError> &error);
    bool isReviewPresented() const { return m_isReviewPresented; }
    void setIsReviewPresented(bool presented);

    QString patientID() const { return m_patientID; }
    void setPatientID(const QString &id) { m_patientID = id; }
    QList<SmartAnalyzeUploadedFile> uploadedFiles() const { return m_uploadedFiles; }
    std::optional<QString> analyzeId() const { return m_analyzeId; }

    // Keeps the PDF and image files, names the first other one in activeError, and starts an import of the
    // kept ones (none without a patient). Returns the names of the kept files in order.
    QStringList importFiles(const QList<QUrl> &urls);
    // Ends the running import (its upload is aborted) and clears its state; activeError, isSaving and
    // isTranslating stay.
    void reset();
    // Review edits: the first section with `tag`, then the entries with the id.
    void updateMedbit(const QString &tag, const PreviewMedbit &medbit);
    void deleteMedbit(const QString &tag, const QString &id);
    // Clears every translation; each entry keeps its own language.
    void undoTranslation();
    // Never throws: a failure lands in activeError.
    QCoro::Task<> translate(QString language);
    // Stores the files and creates the entries at the front of `store`'s list; throws APIError.
    QCoro::Task<> save(MedbitStore *store);

    // All suggested entries, section after section.
    QList<PreviewMedbit> flattenedSuggestions() const;

Q_SIGNALS:
    void sectionsChanged();
    void currentStepChanged(int step);
    void isExtractionDoneChanged(bool done);
    void isSavingChanged(bool saving);
    void isTranslatingChanged(bool translating);
    void translationLanguageChanged();
    void uploadProgressChanged(double progress);
    void activeErrorChanged();
    void isReviewPresentedChanged(bool presented);

private:
    // What an analysis event meant for the end of its stream.
    enum class EventEffect { none, done, errorReported };
    struct StreamOutcome {
        bool done = false;
        bool errorReported = false;
    };

    void startImport(const QList<QUrl> &urls);
    QCoro::Task<> runAnalyzeTask(QList<QUrl> urls, QString patientID, quint64 generation);
    QCoro::Task<StreamOutcome> readStream(StreamRequest request, quint64 generation);
    // Applies one analysis event; undecodable data and unknown names change nothing.
    EventEffect handleStreamEvent(const SSEEvent &event);
    void appendSuggestions(const SmartAnalyzeMessageEvent &message);
    void completeExtraction(const SmartAnalyzeDoneEvent &done);
    void onUploadProgress(double fraction, quint64 generation);
    bool isCurrent(quint64 generation) const { return generation == m_generation; }

    QCoro::Task<QStringList> documentIDsForSave(QString patientID, QList<SmartAnalyzeUploadedFile> files,
                                                quint64 generation);
    void applyTranslation(const QList<TranslatedPatch> &patches);
    TaggedPreviewMedbits *section(const QString &tag);

    void setSections(const QList<TaggedPreviewMedbits> &sections);
    void setCurrentStep(int step);
    void setIsExtractionDone(bool done);
    void setIsSaving(bool saving);
    void setIsTranslating(bool translating);
    void setTranslationLanguage(const std::optional<QString> &language);
    void setUploadProgress(double progress);

    QList<TaggedPreviewMedbits> m_sections;
    int m_currentStep = 0;
    bool m_isExtractionDone = false;
    bool m_isSaving = false;
    bool m_isTranslating = false;
    std::optional<QString> m_translationLanguage;
    double m_uploadProgress = 0;
    std::optional<DocumentImportError> m_activeError;
    bool m_isReviewPresented = false;
    QString m_patientID;
    QList<SmartAnalyzeUploadedFile> m_uploadedFiles;
    std::optional<QString> m_analyzeId;

    quint64 m_generation = 0;
    // Aborts the running import's upload and its stream.
    std::shared_ptr<AbortHandle> m_abort;
    // Documents already stored by a save of this import whose entries then failed: a retry reuses them.
    std::optional<QStringList> m_savedDocumentIDs;
};
