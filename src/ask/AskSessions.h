#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

class AnswerEventSource;
class AskRecords;

// The Ask records of every patient, for the whole program: the program makes one and hands it to every
// window, so that each patient's conversations, and the questions and undos running on them, exist once,
// whichever panel or window shows them. A patient's records are made when first asked for and live as long
// as this, so that no switch of patient or section drops work still running on them.
class AskSessions final : public QObject
{
    Q_OBJECT

public:
    explicit AskSessions(std::shared_ptr<AnswerEventSource> answers, QObject *parent = nullptr);

    AskRecords *records(const QString &patientID);

private:
    std::shared_ptr<AnswerEventSource> m_answers;
    QHash<QString, AskRecords *> m_records;
};
