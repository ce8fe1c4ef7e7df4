#include "HealthStoryController.h"

#include "HealthStoryWriter.h"

HealthStoryController::HealthStoryController(QString patientID, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_story(HealthStory::loadCached(m_patientID))
{
    HealthStoryWriter &writer = HealthStoryWriter::shared();
    connect(&writer, &HealthStoryWriter::writingChanged, this, &HealthStoryController::writingChanged);
    connect(&writer, &HealthStoryWriter::written, this, &HealthStoryController::storyWritten);
    connect(&writer, &HealthStoryWriter::failed, this, &HealthStoryController::writingFailed);
}

bool HealthStoryController::isGenerating() const
{
    return HealthStoryWriter::shared().isWriting(m_patientID);
}

QCoro::Task<> HealthStoryController::generate()
{
    return HealthStoryWriter::shared().write(m_patientID);
}

void HealthStoryController::setErrorMessage(const std::optional<QString> &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void HealthStoryController::writingChanged(const QString &patientID, bool isWriting)
{
    if (patientID != m_patientID)
        return;
    if (isWriting)
        setErrorMessage(std::nullopt);
    Q_EMIT isGeneratingChanged(isWriting);
}

void HealthStoryController::storyWritten(const QString &patientID, const HealthStory &story)
{
    if (patientID != m_patientID)
        return;
    m_story = story;
    Q_EMIT storyChanged();
}

void HealthStoryController::writingFailed(const QString &patientID, const QString &message)
{
    if (patientID == m_patientID)
        setErrorMessage(message);
}
