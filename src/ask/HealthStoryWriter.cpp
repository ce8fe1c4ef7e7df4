#include "HealthStoryWriter.h"

#include "ChatAPIClient.h"

#include "net/APIClient.h"
#include "net/APIError.h"

HealthStoryWriter::HealthStoryWriter(QObject *parent) : HealthStoryWriter(&ChatAPIClient::generateHealthStory, parent)
{
}

QCoro::Task<> HealthStoryWriter::write(const QString &patientID)
{
    return writeStory(this, patientID);
}

QCoro::Task<> HealthStoryWriter::writeStory(QPointer<HealthStoryWriter> writer, QString patientID)
{
    if (writer->isWriting(patientID))
        co_return;
    const StorySource source = writer->m_source;
    {
        ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
        const LocalChanges::Change writing = co_await writer->m_writes.begin(patientID);
        Q_EMIT writer->writingChanged(patientID, true);
        try {
            const QString narrative = co_await source(patientID);
            // An empty reply is no story: the one shown and cached stays, with its date.
            if (narrative.trimmed().isEmpty()) {
                if (writer)
                    Q_EMIT writer->failed(patientID, tr("No new story came back. Try again later."));
            } else {
                const HealthStory story{narrative, QDateTime::currentDateTime()};
                HealthStory::saveCached(story, patientID);
                if (writer)
                    Q_EMIT writer->written(patientID, story);
            }
        } catch (const APIError &error) {
            hold.fail(error);
            if (writer)
                Q_EMIT writer->failed(patientID, error.description());
        } catch (const std::exception &error) {
            // Nobody awaits the task to hear of it: it is shown as a reply that could not be used.
            hold.fail(error);
            if (writer)
                Q_EMIT writer->failed(patientID, APIError::decodingFailed().description());
        }
    }
    // Reached after every failure too, or the panels would say it is being written for good.
    if (writer)
        Q_EMIT writer->writingChanged(patientID, false);
}
