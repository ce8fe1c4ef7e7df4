#include "HealthStoryController.h"

#include "ChatAPIClient.h"

#include "net/APIError.h"

#include <QCoreApplication>

HealthStoryController::HealthStoryController(QString patientID, QObject *parent)
    : QObject(parent), m_patientID(std::move(patientID)), m_story(HealthStory::loadCached(m_patientID))
{
}

void HealthStoryController::setIsGenerating(bool isGenerating)
{
    if (m_isGenerating == isGenerating)
        return;
    m_isGenerating = isGenerating;
    Q_EMIT isGeneratingChanged(isGenerating);
}

void HealthStoryController::setErrorMessage(const std::optional<QString> &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

QCoro::Task<> HealthStoryController::generate()
{
    return generateStory(this, m_patientID);
}

QCoro::Task<> HealthStoryController::generateStory(QPointer<HealthStoryController> controller, QString patientID)
{
    if (controller->m_isGenerating)
        co_return;
    controller->setIsGenerating(true);
    controller->setErrorMessage(std::nullopt);
    std::optional<HealthStory> story;
    std::optional<QString> failure;
    try {
        const QString narrative = co_await ChatAPIClient::generateHealthStory(patientID);
        // An empty reply is no story: the one shown and cached stays, with its date.
        if (narrative.trimmed().isEmpty())
            failure = QCoreApplication::translate("HealthStoryController", "No new story came back. Try again later.");
        else
            story = HealthStory{narrative, QDateTime::currentDateTime()};
    } catch (const APIError &error) {
        failure = error.description();
    }
    if (story) {
        // Cached before anything else: the controller may be gone, or showing another patient's panel.
        HealthStory::saveCached(*story, patientID);
        if (controller)
            controller->applyGeneratedStory(*story);
        co_return;
    }
    if (controller) {
        controller->setErrorMessage(failure);
        controller->setIsGenerating(false);
    }
}

void HealthStoryController::applyGeneratedStory(const HealthStory &story)
{
    m_story = story;
    Q_EMIT storyChanged();
    setIsGenerating(false);
}
