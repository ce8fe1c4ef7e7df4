#pragma once

#include "mainwindow/entry/AskExchange.h"
#include "records/Medbit.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <QWidget>

class ClipboardManager;
class ClipboardTrackingTextField;
class EntryQuestionsStore;
class MarkdownAnswerLabel;
class QFrame;
class QScrollArea;
class QToolButton;

// The questions asked about the selected entry, at the bottom of the detail panel: the exchanges so far
// (a list at most 220 high) over the question box. A question is about the entry shown when it is sent; its
// answer streams in as Markdown. Each entry shows its own exchanges and its own unsent question, kept by the
// window's store.
class EntryQuestionsView final : public QWidget
{
    Q_OBJECT

public:
    EntryQuestionsView(EntryQuestionsStore *store, ClipboardManager *clipboard, QWidget *parent);

    void setEntry(const Medbit &medbit, const QString &patientID);
    const QList<AskExchange> &askExchanges() const;

    static QString askPrompt(const Medbit &medbit, const QString &question);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void refreshSendEnabled();
    void fitExchangeHeight();
    void submitAsk();
    void onAnswerGrew(const QString &entryID, const QUuid &id);
    void onExchangesChanged(const QString &entryID, bool countChanged);
    void rebuildExchanges(bool countChanged);
    void refreshAnswer(const AskExchange &item);
    static void showAnswer(MarkdownAnswerLabel *answer, const AskExchange &item);

    EntryQuestionsStore *m_store = nullptr;
    Medbit m_medbit;
    QString m_patientID;

    QScrollArea *m_exchangeScroll = nullptr;
    QFrame *m_exchangeDivider = nullptr;
    ClipboardTrackingTextField *m_askField = nullptr;
    QToolButton *m_send = nullptr;
};
