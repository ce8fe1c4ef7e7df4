#include "AskSessions.h"

#include "AnswerEventSource.h"
#include "AskRecords.h"

AskSessions::AskSessions(std::shared_ptr<AnswerEventSource> answers, QObject *parent)
    : QObject(parent), m_answers(std::move(answers))
{
}

AskRecords *AskSessions::records(const QString &patientID)
{
    AskRecords *&records = m_records[patientID];
    if (!records)
        records = new AskRecords(patientID, m_answers, this);
    return records;
}
