#include "DocumentImportManager.h"

#include "DocumentImportReview.h"
#include "ImportFiles.h"

#include "net/APIClient.h"
#include "net/AbortHandle.h"
#include "net/Json.h"
#include "net/SSEEvent.h"
#include "net/TokenRenewingStream.h"

#include <QCoroAsyncGenerator>

#include <algorithm>

namespace
{

const QString analyzePath = QStringLiteral("/patients/smart_analyze_asset");

} // namespace

DocumentImportManager::DocumentImportManager(const QString &patientID, QObject *parent)
    : QObject(parent), m_review(new DocumentImportReview(this)), m_patientID(patientID)
{
}

DocumentImportManager::~DocumentImportManager()
{
    // The analysis task outlives the manager; its upload must not.
    if (m_abort)
        m_abort->abort();
}

QStringList DocumentImportManager::importFiles(const QList<QUrl> &urls)
{
    QList<QUrl> accepted;
    QStringList names;
    std::optional<QString> firstRefused;
    for (const QUrl &url : urls) {
        if (ImportFiles::isSupported(url)) {
            accepted.append(url);
            names.append(url.fileName());
        } else if (!firstRefused) {
            firstRefused = url.fileName();
        }
    }
    if (firstRefused)
        setActiveError(DocumentImportError::unsupportedFormat(*firstRefused));
    if (!accepted.isEmpty())
        startImport(accepted);
    return names;
}

void DocumentImportManager::startImport(const QList<QUrl> &urls)
{
    if (m_patientID.isEmpty())
        return;
    reset();
    setIsReviewPresented(true);
    m_review->showLoading(m_patientID);
    m_abort = std::make_shared<AbortHandle>();
    runAnalyzeTask(urls, m_patientID, m_generation.current());
}

void DocumentImportManager::reset()
{
    m_generation.next();
    if (m_abort) {
        m_abort->abort();
        m_abort.reset();
    }
    m_review->clear();
    setCurrentStep(0);
    setIsExtractionDone(false);
    m_uploadedFiles.clear();
    m_analyzeId.reset();
    setIsReviewPresented(false);
    setUploadProgress(0);
}

QCoro::Task<> DocumentImportManager::runAnalyzeTask(QList<QUrl> urls, QString patientID, Generation::Token generation)
{
    QPointer<DocumentImportManager> self(this);
    const ImportFiles::Parts parts = co_await ImportFiles::parts(urls);
    if (!self || !m_generation.isCurrent(generation))
        co_return;
    if (parts.error) {
        setActiveError(DocumentImportError::uploadFailed(*parts.error));
        co_return;
    }
    const FormFields fields{{QStringLiteral("patientId"), patientID}};
    StreamRequest request = APIClient::shared().makeUploadStreamRequest(analyzePath, fields, parts.files);
    request.abort = m_abort;

    StreamOutcome outcome;
    std::optional<QString> failure;
    try {
        outcome = co_await readStream(std::move(request), generation);
    } catch (const APIError &error) {
        if (error.isCanceled())
            co_return;
        failure = error.description();
    }
    // A cancelled import records nothing.
    if (!self || !m_generation.isCurrent(generation))
        co_return;
    if (failure)
        setActiveError(DocumentImportError::uploadFailed(*failure));
    else if (!outcome.done && !outcome.errorReported)
        setActiveError(
            DocumentImportError::uploadFailed(tr("The analysis ended before it finished. Please try again.")));
}

QCoro::Task<DocumentImportManager::StreamOutcome> DocumentImportManager::readStream(StreamRequest request,
                                                                                    Generation::Token generation)
{
    QPointer<DocumentImportManager> self(this);
    const auto onProgress = [self, generation](double fraction) {
        if (self)
            self->onUploadProgress(fraction, generation);
    };
    StreamOutcome outcome;
    // Only a 401 without a service message says the token may just have expired.
    QCoro::AsyncGenerator<SSEEvent> events = TokenRenewingStream::open(
        std::move(request), TokenRenewingStream::Rule::unauthorizedWithoutMessage, onProgress);
    auto it = co_await events.begin();
    while (it != events.end()) {
        if (!self || !m_generation.isCurrent(generation))
            co_return outcome;
        const EventEffect effect = handleStreamEvent(*it);
        outcome.done = outcome.done || effect == EventEffect::done;
        outcome.errorReported = outcome.errorReported || effect == EventEffect::errorReported;
        co_await ++it;
    }
    co_return outcome;
}

DocumentImportManager::EventEffect DocumentImportManager::handleStreamEvent(const SSEEvent &event)
{
    try {
        if (event.event == QLatin1StringView("message")) {
            m_review->appendSuggestions(SmartAnalyzeMessageEvent::decode(event.data));
        } else if (event.event == QLatin1StringView("finished_step")) {
            setCurrentStep(SmartAnalyzeFinishedStepEvent::decode(event.data).stepIndex + 1);
        } else if (event.event == QLatin1StringView("done")) {
            completeExtraction(SmartAnalyzeDoneEvent::decode(event.data));
            return EventEffect::done;
        } else if (event.event == QLatin1StringView("stream_error")) {
            setActiveError(DocumentImportError::uploadFailed(SmartAnalyzeErrorEvent::decode(event.data).message));
            return EventEffect::errorReported;
        }
    } catch (const Json::DecodingError &) {
        // An event this client cannot read is skipped without a word; the rest of the stream still counts.
    }
    return EventEffect::none;
}

void DocumentImportManager::completeExtraction(const SmartAnalyzeDoneEvent &done)
{
    m_uploadedFiles = done.files;
    m_analyzeId = done.analyzeId;
    setIsExtractionDone(true);
    m_review->finishLoading();
}

void DocumentImportManager::onUploadProgress(double fraction, Generation::Token generation)
{
    if (m_generation.isCurrent(generation))
        setUploadProgress(std::clamp(fraction, 0.0, 1.0));
}

void DocumentImportManager::setPatientID(const QString &id)
{
    if (m_patientID == id)
        return;
    m_patientID = id;
    Q_EMIT patientIDChanged(id);
}

void DocumentImportManager::setActiveError(const std::optional<DocumentImportError> &error)
{
    if (m_activeError == error)
        return;
    m_activeError = error;
    Q_EMIT activeErrorChanged();
}

void DocumentImportManager::setIsReviewPresented(bool presented)
{
    if (m_isReviewPresented == presented)
        return;
    m_isReviewPresented = presented;
    Q_EMIT isReviewPresentedChanged(presented);
}

void DocumentImportManager::setCurrentStep(int step)
{
    if (m_currentStep == step)
        return;
    m_currentStep = step;
    Q_EMIT currentStepChanged(step);
}

void DocumentImportManager::setIsExtractionDone(bool done)
{
    if (m_isExtractionDone == done)
        return;
    m_isExtractionDone = done;
    Q_EMIT isExtractionDoneChanged(done);
}

void DocumentImportManager::setUploadProgress(double progress)
{
    if (m_uploadProgress == progress)
        return;
    m_uploadProgress = progress;
    Q_EMIT uploadProgressChanged(progress);
}
