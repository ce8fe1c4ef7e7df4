#include "DocumentImportManager.h"

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

// The review's sections, in the order it shows them; expenses and contacts get none.
QList<TaggedPreviewMedbits> loadingSections()
{
    QList<TaggedPreviewMedbits> sections;
    for (const char *tag : {"hx", "rx", "ax", "vx", "zx", "lab"})
        sections.append({QString::fromLatin1(tag), {}, true});
    return sections;
}

} // namespace

DocumentImportManager::DocumentImportManager(const QString &patientID, QObject *parent)
    : QObject(parent), m_patientID(patientID)
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
    setSections(loadingSections());
    m_abort = std::make_shared<AbortHandle>();
    runAnalyzeTask(urls, m_patientID, m_generation);
}

void DocumentImportManager::reset()
{
    ++m_generation;
    if (m_abort) {
        m_abort->abort();
        m_abort.reset();
    }
    m_savedDocumentIDs.reset();
    setSections({});
    setCurrentStep(0);
    setIsExtractionDone(false);
    m_uploadedFiles.clear();
    m_analyzeId.reset();
    setIsReviewPresented(false);
    setTranslationLanguage(std::nullopt);
    setUploadProgress(0);
}

QCoro::Task<> DocumentImportManager::runAnalyzeTask(QList<QUrl> urls, QString patientID, quint64 generation)
{
    QPointer<DocumentImportManager> self(this);
    ImportFiles::Reading reading = co_await ImportFiles::read(urls);
    if (!self || !isCurrent(generation))
        co_return;
    if (reading.error) {
        setActiveError(DocumentImportError::uploadFailed(*reading.error));
        co_return;
    }
    const FormFields fields{{QStringLiteral("patientId"), patientID}};
    StreamRequest request = APIClient::shared().makeUploadStreamRequest(analyzePath, fields, reading.files);
    request.abort = m_abort;
    // The body holds the bytes now; the files would double what a large import keeps in memory.
    reading.files.clear();

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
    if (!self || !isCurrent(generation))
        co_return;
    if (failure)
        setActiveError(DocumentImportError::uploadFailed(*failure));
    else if (!outcome.done && !outcome.errorReported)
        setActiveError(
            DocumentImportError::uploadFailed(tr("The analysis ended before it finished. Please try again.")));
}

QCoro::Task<DocumentImportManager::StreamOutcome> DocumentImportManager::readStream(StreamRequest request,
                                                                                    quint64 generation)
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
        if (!self || !isCurrent(generation))
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
            appendSuggestions(SmartAnalyzeMessageEvent::decode(event.data));
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

void DocumentImportManager::appendSuggestions(const SmartAnalyzeMessageEvent &message)
{
    TaggedPreviewMedbits *target = section(message.tag);
    if (!target || (message.items.isEmpty() && !target->isLoading))
        return;
    target->medbits.append(message.items);
    target->isLoading = false;
    Q_EMIT sectionsChanged();
}

void DocumentImportManager::completeExtraction(const SmartAnalyzeDoneEvent &done)
{
    m_uploadedFiles = done.files;
    m_analyzeId = done.analyzeId;
    setIsExtractionDone(true);
    QList<TaggedPreviewMedbits> sections = m_sections;
    for (TaggedPreviewMedbits &loaded : sections)
        loaded.isLoading = false;
    setSections(sections);
}

void DocumentImportManager::onUploadProgress(double fraction, quint64 generation)
{
    if (isCurrent(generation))
        setUploadProgress(std::clamp(fraction, 0.0, 1.0));
}

TaggedPreviewMedbits *DocumentImportManager::section(const QString &tag)
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(),
                                 [&tag](const TaggedPreviewMedbits &candidate) { return candidate.tag == tag; });
    return it == m_sections.end() ? nullptr : &*it;
}

QList<PreviewMedbit> DocumentImportManager::flattenedSuggestions() const
{
    QList<PreviewMedbit> all;
    for (const TaggedPreviewMedbits &listed : m_sections)
        all.append(listed.medbits);
    return all;
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

void DocumentImportManager::setSections(const QList<TaggedPreviewMedbits> &sections)
{
    if (m_sections == sections)
        return;
    m_sections = sections;
    Q_EMIT sectionsChanged();
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

void DocumentImportManager::setIsSaving(bool saving)
{
    if (m_isSaving == saving)
        return;
    m_isSaving = saving;
    Q_EMIT isSavingChanged(saving);
}

void DocumentImportManager::setIsTranslating(bool translating)
{
    if (m_isTranslating == translating)
        return;
    m_isTranslating = translating;
    Q_EMIT isTranslatingChanged(translating);
}

void DocumentImportManager::setTranslationLanguage(const std::optional<QString> &language)
{
    if (m_translationLanguage == language)
        return;
    m_translationLanguage = language;
    Q_EMIT translationLanguageChanged();
}

void DocumentImportManager::setUploadProgress(double progress)
{
    if (m_uploadProgress == progress)
        return;
    m_uploadProgress = progress;
    Q_EMIT uploadProgressChanged(progress);
}
