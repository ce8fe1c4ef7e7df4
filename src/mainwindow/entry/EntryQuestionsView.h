#pragma once

#include "ask/AnswerEvent.h"
#include "mainwindow/entry/AskExchange.h"
#include "records/Medbit.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <optional>

class ClipboardManager;
class ClipboardTrackingTextField;
class MarkdownAnswerLabel;
class QFrame;
class QScrollArea;
class QToolButton;
class WindowState;

// The questions asked about the selected entry, at the bottom of the detail panel: the exchanges so far
// (a list at most 220 high) over the question box. A question is about the entry shown when it is sent; its
// answer streams in as Markdown. The exchanges stay listed while the selection moves to other entries.
class EntryQuestionsView final : public QWidget
{
    Q_OBJECT

public:
    EntryQuestionsView(ClipboardManager *clipboard, WindowState *state, QWidget *parent);

    void setEntry(const Medbit &medbit, const QString &patientID);
    const QList<AskExchange> &askExchanges() const { return m_askExchanges; }

    static QString askPrompt(const Medbit &medbit, const QString &question);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void refreshSendEnabled();
    void fitExchangeHeight();
    void submitAsk();
    void handleAskEvent(const QUuid &id, const AnswerEvent &event);
    void finishAsk(const QUuid &id, const std::optional<QString> &failure);
    AskExchange *exchange(const QUuid &id);
    void rebuildExchanges(bool countChanged);
    void refreshAnswer(const AskExchange &item);
    static void showAnswer(MarkdownAnswerLabel *answer, const AskExchange &item);

    WindowState *m_state = nullptr;
    Medbit m_medbit;
    QString m_patientID;
    QList<AskExchange> m_askExchanges;
    bool m_isAsking = false;

    QScrollArea *m_exchangeScroll = nullptr;
    QFrame *m_exchangeDivider = nullptr;
    ClipboardTrackingTextField *m_askField = nullptr;
    QToolButton *m_send = nullptr;
};
