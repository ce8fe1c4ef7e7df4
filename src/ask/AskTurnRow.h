#pragma once

#include <QWidget>

struct AskTurn;
class BusyIndicator;
class MarkdownAnswerLabel;
class QLabel;

// One turn of an open conversation. A question is a bubble at the right with its time below; an answer
// shows its error in red, a spinner while nothing has arrived, or its rendered Markdown with the number of
// timeline entries it drew on. Updating a turn redraws this row alone.
class AskTurnRow final : public QWidget
{
    Q_OBJECT

public:
    AskTurnRow(const AskTurn &turn, QWidget *parent = nullptr);

    void setTurn(const AskTurn &turn);

private:
    void buildQuestion();
    void buildAnswer();

    bool m_isQuestion = false;
    QLabel *m_bubble = nullptr;
    QLabel *m_time = nullptr;
    MarkdownAnswerLabel *m_answer = nullptr;
    BusyIndicator *m_spinner = nullptr;
    QLabel *m_usedRecords = nullptr;
};
