#include "window/PendingAnswers.h"

void PendingAnswers::begin(const QString &patientID)
{
    ++m_counts[patientID];
}

void PendingAnswers::end(const QString &patientID)
{
    auto count = m_counts.find(patientID);
    if (count == m_counts.end())
        return;
    if (--*count == 0)
        m_counts.erase(count);
    Q_EMIT ended(patientID);
}
