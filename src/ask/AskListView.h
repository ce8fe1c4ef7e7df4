#pragma once

#include <QWidget>

class AskHistoryModel;
class AskSession;
class BusyIndicator;
class ClipboardManager;
class ClipboardTrackingTextField;
class FittedListView;
class QLabel;
class QStringListModel;
class QToolButton;

// The Ask panel's left column: the suggested questions (refreshable, collapsible), the question history and
// the ask bar. It draws the session's state and hands the user's actions to it.
class AskListView final : public QWidget
{
    Q_OBJECT

public:
    AskListView(AskSession *session, ClipboardManager *clipboard, QWidget *parent = nullptr);

    // The column's preferred width; the panel bounds it.
    QSize sizeHint() const override;

private:
    QWidget *makeTitleBar();
    QWidget *makeSuggestionsHeader();
    QWidget *makeAskBar(ClipboardManager *clipboard);
    QLabel *makeSectionText(const QString &text, const QString &name);
    QWidget *makeFailure(const QString &name, QLabel **text, void (AskListView::*retry)());
    void retrySuggestions();
    void retryHistory();

    bool eventFilter(QObject *watched, QEvent *event) override;
    void toggleSuggestions();
    void showSuggestions();
    void showHistory();
    void markOpenConversation();
    void refreshSendEnabled();

    AskSession *m_session = nullptr;
    QWidget *m_suggestionsHeader = nullptr;
    QToolButton *m_refreshButton = nullptr;
    BusyIndicator *m_suggestionsSpinner = nullptr;
    QLabel *m_chevron = nullptr;
    QStringListModel *m_suggestionsModel = nullptr;
    FittedListView *m_suggestionsList = nullptr;
    QLabel *m_noSuggestions = nullptr;
    QWidget *m_suggestionsFailure = nullptr;
    QLabel *m_suggestionsError = nullptr;
    AskHistoryModel *m_historyModel = nullptr;
    FittedListView *m_historyList = nullptr;
    QLabel *m_noQuestions = nullptr;
    QWidget *m_historyFailure = nullptr;
    QLabel *m_historyError = nullptr;
    ClipboardTrackingTextField *m_askField = nullptr;
    QToolButton *m_sendButton = nullptr;
};
