#include "HealthStoryController.h"

#include "HealthStoryWriter.h"

HealthStoryController::HealthStoryController(QString patientID, HealthStoryWriter *writer, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_writer(writer),
      m_story(HealthStory::loadCached(m_patientID))
{
    connect(m_writer, &HealthStoryWriter::writingChanged, this, &HealthStoryController::writingChanged);
    connect(m_writer, &HealthStoryWriter::written, this, &HealthStoryController::storyWritten);
    connect(m_writer, &HealthStoryWriter::failed, this, &HealthStoryController::writingFailed);
}

bool HealthStoryController::isGenerating() const
{
    return m_writer->isWriting(m_patientID);
}

QCoro::Task<> HealthStoryController::generate()
{
    return m_writer->write(m_patientID);
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
