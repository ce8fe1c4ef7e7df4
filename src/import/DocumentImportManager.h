#pragma once

#include "DocumentImportError.h"
#include "ImportModels.h"

#include "net/Generation.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <QCoroTask>

#include <memory>
#include <optional>

class AbortHandle;
class DocumentImportReview;
struct SSEEvent;
struct StreamRequest;

// One document import of the selected patient: accepts files, uploads them for analysis and publishes the
// analysis's progress, filling its review from the analysis stream. Usage:
//   manager->setPatientID(id);
//   manager->importFiles(urls);               // opens the review (isReviewPresented) and starts the upload
//   co_await manager->review()->save(store);  // after "done"; throws APIError
// Every import has a generation: reset() ends it, aborting its upload at once, and whatever its work
// brings back later is dropped.
class DocumentImportManager final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int currentStep READ currentStep NOTIFY currentStepChanged)
    Q_PROPERTY(bool isExtractionDone READ isExtractionDone NOTIFY isExtractionDoneChanged)
    Q_PROPERTY(double uploadProgress READ uploadProgress NOTIFY uploadProgressChanged)
    Q_PROPERTY(
        std::optional<DocumentImportError> activeError READ activeError WRITE setActiveError NOTIFY activeErrorChanged)
    Q_PROPERTY(bool isReviewPresented READ isReviewPresented WRITE setIsReviewPresented NOTIFY isReviewPresentedChanged)

public:
    explicit DocumentImportManager(const QString &patientID = {}, QObject *parent = nullptr);
    ~DocumentImportManager() override;

    // The suggestions of the running import, its edits, translation and save.
    DocumentImportReview *review() const { return m_review; }
    int currentStep() const { return m_currentStep; }
    bool isExtractionDone() const { return m_isExtractionDone; }
    double uploadProgress() const { return m_uploadProgress; }
    std::optional<DocumentImportError> activeError() const { return m_activeError; }
    // The window's alert clears it when dismissed.
    void setActiveError(const std::optional<DocumentImportError> &error);
    bool isReviewPresented() const { return m_isReviewPresented; }
    void setIsReviewPresented(bool presented);

    QString patientID() const { return m_patientID; }
    // The patient of the imports started from now on; the running one stays with its own until reset().
    void setPatientID(const QString &id);
    QList<SmartAnalyzeUploadedFile> uploadedFiles() const { return m_uploadedFiles; }
    std::optional<QString> analyzeId() const { return m_analyzeId; }

    // Keeps the PDF and image files, names the first other one in activeError, and starts an import of the
    // kept ones (none without a patient). Returns the names of the kept files in order.
    QStringList importFiles(const QList<QUrl> &urls);
    // Ends the running import (its upload is aborted) and clears its state and its review's; activeError and
    // the review's isSaving and isTranslating stay.
    void reset();

Q_SIGNALS:
    void currentStepChanged(int step);
    void isExtractionDoneChanged(bool done);
    void uploadProgressChanged(double progress);
    void activeErrorChanged();
    void isReviewPresentedChanged(bool presented);
    void patientIDChanged(const QString &id);

private:
    // What an analysis event meant for the end of its stream.
    enum class EventEffect { none, done, errorReported };
    struct StreamOutcome {
        bool done = false;
        bool errorReported = false;
    };

    void startImport(const QList<QUrl> &urls);
    QCoro::Task<> runAnalyzeTask(QList<QUrl> urls, QString patientID, Generation::Token generation);
    QCoro::Task<StreamOutcome> readStream(StreamRequest request, Generation::Token generation);
    // Applies one analysis event; undecodable data and unknown names change nothing.
    EventEffect handleStreamEvent(const SSEEvent &event);
    void completeExtraction(const SmartAnalyzeDoneEvent &done);
    void onUploadProgress(double fraction, Generation::Token generation);

    void setCurrentStep(int step);
    void setIsExtractionDone(bool done);
    void setUploadProgress(double progress);

    DocumentImportReview *m_review = nullptr;
    int m_currentStep = 0;
    bool m_isExtractionDone = false;
    double m_uploadProgress = 0;
    std::optional<DocumentImportError> m_activeError;
    bool m_isReviewPresented = false;
    QString m_patientID;
    QList<SmartAnalyzeUploadedFile> m_uploadedFiles;
    std::optional<QString> m_analyzeId;

    Generation m_generation;
    // Aborts the running import's upload and its stream.
    std::shared_ptr<AbortHandle> m_abort;
};
