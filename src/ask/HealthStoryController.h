#pragma once

#include "HealthStory.h"

#include <QObject>
#include <QString>

#include <QCoroTask>

#include <optional>

class HealthStoryWriter;

// The Health Story section's state for one patient: the story shown (the cached one at first), whether the
// service is writing a new one, and the last failure. The writing belongs to the writer it is handed (the
// program's one), not to the controller: a controller made while its patient's story is being written
// shows that writing, and every controller of the patient shows the story when it comes.
class HealthStoryController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isGenerating READ isGenerating NOTIFY isGeneratingChanged)

public:
    HealthStoryController(QString patientID, HealthStoryWriter *writer, QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    const std::optional<HealthStory> &story() const { return m_story; }
    bool isGenerating() const;
    // The last generation's failure, also a reply without a story; cleared when the next one starts.
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }

    // Asks the service for a new story; does nothing while one is being written. The task ends with the
    // request, so callers may await it or let it run.
    QCoro::Task<> generate();

Q_SIGNALS:
    void storyChanged();
    void isGeneratingChanged(bool isGenerating);
    void errorMessageChanged();

private:
    void setErrorMessage(const std::optional<QString> &message);
    void writingChanged(const QString &patientID, bool isWriting);
    void storyWritten(const QString &patientID, const HealthStory &story);
    void writingFailed(const QString &patientID, const QString &message);

    QString m_patientID;
    HealthStoryWriter *m_writer = nullptr;
    std::optional<HealthStory> m_story;
    std::optional<QString> m_errorMessage;
};
