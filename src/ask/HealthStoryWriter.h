#pragma once

#include "HealthStory.h"

#include "net/LocalChanges.h"

#include <QObject>
#include <QString>

#include <QCoroTask>

// The health stories being written, for the whole program, whose cache they share: one at a time per
// patient, whichever panel or window asked, so that a story never lands in the cache after one asked for
// later. A panel built while its patient's story is being written shows that writing and gets its story.
// Each story is cached under the patient it was written for before anyone hears of it.
class HealthStoryWriter final : public QObject
{
    Q_OBJECT

public:
    static HealthStoryWriter &shared();

    bool isWriting(const QString &patientID) const { return m_writes.isRunning(patientID); }
    // Refused while the patient's story is being written. The task ends with the request.
    QCoro::Task<> write(const QString &patientID);

Q_SIGNALS:
    void writingChanged(const QString &patientID, bool isWriting);
    void written(const QString &patientID, const HealthStory &story);
    // Also a reply without a story.
    void failed(const QString &patientID, const QString &message);

private:
    HealthStoryWriter() = default;

    static QCoro::Task<> writeStory(HealthStoryWriter *writer, QString patientID);

    LocalChanges m_writes;
};
