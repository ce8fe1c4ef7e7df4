#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// The answers still streaming, by patient, for the whole window. Leaving Ask deletes its session but
// not the answer, and the service lists a new question only once its answer is stored: a session that
// loaded its history while such an answer ran catches up when it ends. Usage: begin() when an answer
// starts, end() when its stream is over, whatever became of the session that asked.
class PendingAnswers final : public QObject
{
    Q_OBJECT

public:
    explicit PendingAnswers(QObject *parent = nullptr) : QObject(parent) {}

    void begin(const QString &patientID);
    void end(const QString &patientID);
    bool isPending(const QString &patientID) const { return m_counts.contains(patientID); }

Q_SIGNALS:
    void ended(const QString &patientID);

private:
    QHash<QString, int> m_counts;
};
