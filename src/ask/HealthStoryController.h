#pragma once

#include "HealthStory.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <optional>

// The Health Story section's state for one patient: the story shown (the cached one at first), whether the
// service is writing a new one, and the last failure. A generation outlives its controller: its story is
// cached under the patient it was started for, whatever the window shows by then.
class HealthStoryController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isGenerating READ isGenerating NOTIFY isGeneratingChanged)

public:
    explicit HealthStoryController(QString patientID, QObject *parent = nullptr);

    QString patientID() const { return m_patientID; }
    const std::optional<HealthStory> &story() const { return m_story; }
    bool isGenerating() const { return m_isGenerating; }
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
    static QCoro::Task<> generateStory(QPointer<HealthStoryController> controller, QString patientID);

    void setIsGenerating(bool isGenerating);
    void setErrorMessage(const std::optional<QString> &message);
    void applyGeneratedStory(const HealthStory &story);

    QString m_patientID;
    std::optional<HealthStory> m_story;
    bool m_isGenerating = false;
    std::optional<QString> m_errorMessage;
};
