#pragma once

#include "HealthStory.h"

#include "net/LocalChanges.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

// The health stories being written, for the whole program, whose cache they share: the program makes one
// writer and hands it to every window, so a story is written one at a time per patient, whichever panel or
// window asked, and never lands in the cache after one asked for later. A panel built while its patient's
// story is being written shows that writing and gets its story. Each story is cached under the patient it
// was written for before anyone hears of it, also when the writer is gone by then.
class HealthStoryWriter final : public QObject
{
    Q_OBJECT

public:
    // Where the narrative comes from: the service, unless a test stands in for a failure no reply gives.
    using StorySource = QCoro::Task<QString> (*)(QString patientID);

    explicit HealthStoryWriter(QObject *parent = nullptr);
    explicit HealthStoryWriter(StorySource source, QObject *parent = nullptr) : QObject(parent), m_source(source) {}

    bool isWriting(const QString &patientID) const { return m_writes.isRunning(patientID); }
    // Refused while the patient's story is being written. The task ends with the request; whatever fails,
    // failed() tells why before writingChanged() tells the writing is over.
    QCoro::Task<> write(const QString &patientID);

Q_SIGNALS:
    void writingChanged(const QString &patientID, bool isWriting);
    void written(const QString &patientID, const HealthStory &story);
    // Also a reply without a story.
    void failed(const QString &patientID, const QString &message);

private:
    static QCoro::Task<> writeStory(QPointer<HealthStoryWriter> writer, QString patientID);

    StorySource m_source = nullptr;
    LocalChanges m_writes;
};
