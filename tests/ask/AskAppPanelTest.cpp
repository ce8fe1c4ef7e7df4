#include "../clipboard/ClipboardTestSettings.h"
#include "AskFixture.h"
#include "FocusChain.h"
#include "ScreenTestKit.h"

#include "ask/AskAppPanel.h"
#include "ask/AskSession.h"
#include "ask/AskTurn.h"
#include "ask/AskTurnRow.h"
#include "ask/FittedListView.h"
#include "ask/MarkdownAnswerLabel.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/Theme.h"
#include "window/WindowContext.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QUrlQuery>

#include <memory>

using ScreenTestKit::child;
using ScreenTestKit::shownText;

namespace
{

constexpr int deadline = AskFixture::deadlineMs;
const QString suggestionsPath = QStringLiteral("/api/chats/suggested_questions");
const QString storedQuestion = QStringLiteral("What does my blood panel say?");

QString queryValue(const LoggedRequest &request, const QString &name)
{
    return QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(name, QUrl::FullyDecoded);
}

QStringList rowTexts(const QAbstractItemView *list, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, 0).data(role).toString();
    return texts;
}

template <typename Label = QLabel> QList<Label *> shownLabels(const QWidget *root, const char *name)
{
    QList<Label *> shown;
    for (Label *label : root->findChildren<Label *>(QString::fromLatin1(name))) {
        if (label->isVisible())
            shown << label;
    }
    return shown;
}

} // namespace

// The Ask panel through its widgets, against the stand-in: what the user sees and what the service got.
class AskAppPanelTest : public QObject
{
    Q_OBJECT

private:
    ClipboardTestSettings m_settings;
    AskFixture f;
    std::unique_ptr<ClipboardManager> m_clipboard;
    std::unique_ptr<AskAppPanel> m_panel;

    template <typename T> T *find(const char *name) const { return child<T>(m_panel.get(), name); }
    AskSession *session() const { return m_panel->session(); }

    // A panel of the test's patient as a window shows it, over the records every window shares.
    std::unique_ptr<AskAppPanel> shownPanel()
    {
        WindowContext context;
        context.clipboardManager = m_clipboard.get();
        context.askSessions = f.sessions.get();
        context.patientID = f.patientId;
        auto panel = std::make_unique<AskAppPanel>(context);
        panel->resize(1000, 700);
        panel->show();
        return panel;
    }

    void openPanel(bool waitForHistory = true)
    {
        m_panel = shownPanel();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
        if (waitForHistory)
            QTRY_VERIFY_WITH_TIMEOUT(find<QAbstractItemView>("historyList")->model()->rowCount() > 0, deadline);
    }

    // The panel again in a program started afresh, its first loads answered as the stand-in is told.
    void reopenWith(const QList<QJsonObject> &faults)
    {
        m_panel.reset();
        f.restartRecords();
        f.server.clearRequests();
        for (const QJsonObject &fault : faults)
            f.server.injectFault(fault);
        openPanel(false);
    }

    QAccessibleInterface *row(const char *list, int index) const
    {
        return QAccessible::queryAccessibleInterface(find<QWidget>(list))->child(index);
    }

    bool isInView(QWidget *widget, const char *scrollName) const
    {
        QWidget *viewport = find<QScrollArea>(scrollName)->viewport();
        const QRect shown(widget->mapTo(viewport, QPoint(0, 0)), widget->size());
        return viewport->rect().contains(shown);
    }

    void openStoredConversation(AskAppPanel *panel = nullptr)
    {
        panel = panel ? panel : m_panel.get();
        auto *history = child<FittedListView>(panel, "historyList");
        QTRY_VERIFY_WITH_TIMEOUT(history->model()->rowCount() > 0, deadline);
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {},
                          history->visualRect(history->model()->index(0, 0)).center());
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(panel, "questionBubble").size(), 2, deadline);
    }

    // Where a widget's drawn text begins, from the panel's left edge.
    int inkStart(QWidget *widget) const
    {
        const QImage drawn = widget->grab().toImage();
        const QColor ground = drawn.pixelColor(0, 0);
        for (int x = 0; x < drawn.width(); ++x) {
            for (int y = 0; y < drawn.height(); ++y) {
                if (qAbs(drawn.pixelColor(x, y).lightness() - ground.lightness()) > 80)
                    return widget->mapTo(m_panel.get(), QPoint(x, 0)).x();
            }
        }
        return -1;
    }

    void ask(const char *question)
    {
        auto *field = find<ClipboardTrackingTextField>("askField");
        field->setFocus();
        QTest::keyClicks(field, QString::fromUtf8(question));
        QTest::keyClick(field, Qt::Key_Return);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.server.isRunning()); }

    void init()
    {
        ClipboardTestSettings::clear();
        f.start();
        m_clipboard = std::make_unique<ClipboardManager>(f.patientId);
        openPanel();
    }

    void cleanup()
    {
        m_panel.reset();
        m_clipboard.reset();
        f.stop();
    }

    void shown_listsSuggestionsThenHistory_andLoadsOnce()
    {
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(find<QAbstractItemView>("suggestionsList")).size(), 3, deadline);
        QVERIFY(!find<QLabel>("noSuggestionsLabel")->isVisible());
        QVERIFY(!find<QLabel>("noQuestionsLabel")->isVisible());
        const auto *history = find<QAbstractItemView>("historyList");
        QCOMPARE(rowTexts(history), QStringList{storedQuestion});
        QVERIFY(rowTexts(history, Qt::AccessibleTextRole).first().startsWith(storedQuestion + QStringLiteral(", ")));
        m_panel->hide();
        m_panel->show();
        QCOMPARE(f.requestCount(suggestionsPath), 1);
        QCOMPARE(f.server.requests(suggestionsPath).first().query.contains("refresh"), false);
        QCOMPARE(f.server.requests(QStringLiteral("/api/chats/my_questions")).size(), 1);
        QVERIFY(find<QWidget>("conversationDetail") == nullptr);
    }

    void suggestionsHeader_collapsesAndRefreshes()
    {
        auto *list = find<QAbstractItemView>("suggestionsList");
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), deadline);
        const QStringList first = rowTexts(list);
        QTest::mouseClick(find<QToolButton>("suggestionsToggle"), Qt::LeftButton);
        QVERIFY(!list->isVisible());
        QVERIFY(!find<QLabel>("noSuggestionsLabel")->isVisible());
        QTest::mouseClick(find<QToolButton>("suggestionsToggle"), Qt::LeftButton);
        QVERIFY(list->isVisible());

        auto *refresh = find<QToolButton>("refreshSuggestionsButton");
        QCOMPARE(refresh->accessibleName(), QStringLiteral("Refresh Suggestions"));
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(!refresh->isVisible());
        QVERIFY(find<QWidget>("suggestionsSpinner")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(refresh->isVisible(), deadline);
        QVERIFY(rowTexts(list) != first);
        QCOMPARE(queryValue(f.server.requests(suggestionsPath).last(), QStringLiteral("refresh")),
                 QStringLiteral("true"));
    }

    void askBar_sendEnabledOnlyForTextWhileIdle_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing") << QString() << false;
        QTest::newRow("spaces only") << QStringLiteral("   ") << false;
        QTest::newRow("a letter between spaces") << QStringLiteral(" a ") << true;
    }
    void askBar_sendEnabledOnlyForTextWhileIdle()
    {
        QFETCH(QString, typed);
        QFETCH(bool, enabled);
        QTest::keyClicks(find<QWidget>("askField"), typed);
        QCOMPARE(find<QToolButton>("askSendButton")->isEnabled(), enabled);
        QCOMPARE(session()->askText(), typed);
    }

    void askedQuestion_opensItsConversation_andTheAnswerStreamsIn()
    {
        ask("  <b>Inhaler</b> & asthma?  ");
        QCOMPARE(find<QLineEdit>("askField")->text(), QString());
        auto *title = find<QLabel>("conversationTitle");
        QVERIFY(title);
        QTRY_COMPARE(title->text(), QStringLiteral("<b>Inhaler</b> & asthma?"));
        QCOMPARE(title->textFormat(), Qt::PlainText);
        QCOMPARE(title->accessibleName(), QStringLiteral("<b>Inhaler</b> & asthma?"));
        auto *bubble = find<QLabel>("questionBubble");
        QCOMPARE(bubble->text(), QStringLiteral("<b>Inhaler</b> & asthma?"));
        QCOMPARE(bubble->textFormat(), Qt::PlainText);
        QVERIFY(!find<QToolButton>("askSendButton")->isEnabled());

        auto *answer = find<MarkdownAnswerLabel>("answerText");
        QTRY_VERIFY_WITH_TIMEOUT(answer->isVisible() && answer->text().contains(QStringLiteral("Answer")), deadline);
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
        auto *used = find<QLabel>("usedRecordsLabel");
        QTRY_VERIFY_WITH_TIMEOUT(used && used->isVisible(), deadline);
        static const QRegularExpression countLine(
            QStringLiteral("^Based on (1 record|[2-9]\\d* records) from your timeline$"));
        QVERIFY2(countLine.match(used->text()).hasMatch(), qPrintable(used->text()));
        QCOMPARE(rowTexts(find<QAbstractItemView>("historyList")).first(), QStringLiteral("<b>Inhaler</b> & asthma?"));

        const LoggedRequest sent = f.server.requests(AskFixture::streamPath).first();
        QCOMPARE(queryValue(sent, QStringLiteral("content")), QStringLiteral("<b>Inhaler</b> & asthma?"));
        QCOMPARE(queryValue(sent, QStringLiteral("patientId")), f.patientId);
        QVERIFY(!QUrlQuery(QString::fromUtf8(sent.query)).hasQueryItem(QStringLiteral("channelId")));
    }

    void suggestion_click_asksIt_andClearsTheAskText()
    {
        auto *list = find<QAbstractItemView>("suggestionsList");
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), deadline);
        QTest::keyClicks(find<QWidget>("askField"), QStringLiteral("typed"));
        const QModelIndex second = list->model()->index(1, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(second).center());
        QTRY_COMPARE(find<QLabel>("conversationTitle")->text(), second.data().toString());
        QCOMPARE(find<QLineEdit>("askField")->text(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
    }

    // Sent while the answer streams, the next follow-up waits in its field until the answer ends.
    void followUp_whileAnswerStreams_keepsTypingCaretAndFocus_andWaits()
    {
        openStoredConversation();
        // The answer holds its end back long enough for the typing below, however busy the machine.
        QJsonArray chunks{
            QJsonObject{{"data", "event: message\ndata: {\"delta\":\"Part\"}\n\n"}, {"pauseMs", 0}},
            QJsonObject{{"data", "event: stream_error\ndata: {\"message\":\"Busy\"}\n\n"}, {"pauseMs", 8000}}};
        f.server.scriptStream({{"path", AskFixture::streamPath}, {"status", 200}, {"chunks", chunks}});
        auto *field = find<ClipboardTrackingTextField>("followUpField");
        QCOMPARE(field->placeholderText(), QStringLiteral("Ask anything"));
        QCOMPARE(field->source(), QStringLiteral("Ask"));
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("  Is that low?  "));
        QTest::mouseClick(find<QToolButton>("followUpSendButton"), Qt::LeftButton);
        QCOMPARE(field->text(), QString());
        QVERIFY(!find<QToolButton>("followUpSendButton")->isEnabled());
        QVERIFY(session()->isAsking());

        // Typed between deltas: the growing answer redraws its own row only.
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels<MarkdownAnswerLabel>(m_panel.get(), "answerText").size(), 3, deadline);
        QVERIFY(session()->isAsking());
        QTest::keyClicks(field, QStringLiteral("next"));
        QVERIFY(!find<QToolButton>("followUpSendButton")->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QStringLiteral("next"));
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
        QCOMPARE(field->text(), QStringLiteral("next"));
        QCOMPARE(field->cursorPosition(), 4);
        QVERIFY(field->hasFocus());
        QVERIFY(find<QToolButton>("followUpSendButton")->isEnabled());
        const LoggedRequest sent = f.server.requests(AskFixture::streamPath).first();
        QCOMPARE(queryValue(sent, QStringLiteral("content")), QStringLiteral("Is that low?"));
        QCOMPARE(queryValue(sent, QStringLiteral("channelId")), f.storedChannel);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 1);

        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 2);
        QCOMPARE(queryValue(f.server.requests(AskFixture::streamPath).last(), QStringLiteral("content")),
                 QStringLiteral("next"));
    }

    void actions_explainSimplyAsksTheFixedQuestion_andCopyAllWritesTheTurns()
    {
        openStoredConversation();
        for (const char *name : {"explainSimplyButton", "undoLastButton", "copyAllButton", "closeConversationButton",
                                 "followUpSendButton", "askSendButton", "refreshSuggestionsButton"})
            QVERIFY2(!find<QToolButton>(name)->accessibleName().isEmpty(), name);
        QCOMPARE(find<QToolButton>("copyAllButton")->accessibleName(), QStringLiteral("Copy All"));
        QCOMPARE(find<QToolButton>("copyAllButton")->toolTip(), QStringLiteral("Copy the whole conversation"));

        QTest::mouseClick(find<QToolButton>("copyAllButton"), Qt::LeftButton);
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.startsWith(QStringLiteral("Q: ") + storedQuestion +
                                  QStringLiteral("\n\nA: Your blood panel of **8 March 2024**")));
        QCOMPARE(copied.count(QStringLiteral("\n\nQ: ")), 1);
        QVERIFY(m_clipboard->items().isEmpty());

        QTest::mouseClick(find<QToolButton>("explainSimplyButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(m_panel.get(), "questionBubble").size(), 3, deadline);
        QCOMPARE(shownLabels(m_panel.get(), "questionBubble").last()->text(), QStringLiteral("explain simply"));
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
        QCOMPARE(queryValue(f.server.requests(AskFixture::streamPath).first(), QStringLiteral("content")),
                 QStringLiteral("explain simply"));
    }

    void undo_removesTheLastPair_butIsRefusedWhileTheAnswerStreams()
    {
        openStoredConversation();
        const QString undoPath = QStringLiteral("/api/chats/channels/") + f.storedChannel + QStringLiteral("/undo");
        f.delay(AskFixture::streamPath, 500);
        auto *field = find<QLineEdit>("followUpField");
        QTest::keyClicks(field, QStringLiteral("Again?"));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::mouseClick(find<QToolButton>("undoLastButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
        QCOMPARE(f.requestCount(undoPath), 0);
        QCOMPARE(shownLabels(m_panel.get(), "questionBubble").size(), 3);

        QTest::mouseClick(find<QToolButton>("undoLastButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(m_panel.get(), "questionBubble").size(), 2, deadline);
        QCOMPARE(f.requestCount(undoPath), 1);
    }

    void failedAnswer_showsItsErrorInRed_withoutCount()
    {
        f.scriptAnswer({"event: message\ndata: {\"delta\":\"Part\"}\n\n",
                        "event: stream_error\ndata: {\"message\":\"<i>Busy</i>\"}\n\n"});
        ask("Anything?");
        auto *answer = find<MarkdownAnswerLabel>("answerText");
        QTRY_COMPARE_WITH_TIMEOUT(answer->text(), QStringLiteral("<i>Busy</i>"), deadline);
        QCOMPARE(answer->textFormat(), Qt::PlainText);
        QCOMPARE(ScreenTestKit::textColor(answer), Theme::errorColor());
        QVERIFY(!find<QLabel>("usedRecordsLabel")->isVisible());
    }

    void closedPanel_letsItsStreamFinish_andTheNextPanelListsTheQuestion()
    {
        ask("Closed mid-answer?");
        QVERIFY(session()->isAsking());
        m_panel.reset();
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(AskFixture::streamPath.mid(4)), 1, deadline);
        openPanel();
        QTRY_COMPARE_WITH_TIMEOUT(find<QAbstractItemView>("historyList")->model()->rowCount(), 2, deadline);
        QCOMPARE(rowTexts(find<QAbstractItemView>("historyList")).first(), QStringLiteral("Closed mid-answer?"));
    }

    void keyboard_returnOnAHistoryRowOpensIt_andTheHeaderButtonToggles()
    {
        auto *history = find<FittedListView>("historyList");
        history->setFocus();
        history->setCurrentIndex(history->model()->index(0, 0));
        QTest::keyClick(history, Qt::Key_Return);
        QTRY_COMPARE(find<QLabel>("conversationTitle")->text(), storedQuestion);
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(m_panel.get(), "questionBubble").size(), 2, deadline);

        auto *toggle = find<QToolButton>("suggestionsToggle");
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(toggle);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!session()->isSuggestionsExpanded());
    }

    void failedList_showsItsError_andTryAgainLoadsIt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("part"); // "<part>List", "<part>Error", "<part>RetryButton"
        QTest::addColumn<QString>("none");
        QTest::newRow("suggestions") << suggestionsPath << QStringLiteral("suggestions")
                                     << QStringLiteral("noSuggestionsLabel");
        QTest::newRow("my questions") << QStringLiteral("/api/chats/my_questions") << QStringLiteral("history")
                                      << QStringLiteral("noQuestionsLabel");
    }
    void failedList_showsItsError_andTryAgainLoadsIt()
    {
        QFETCH(QString, path);
        QFETCH(QString, part);
        QFETCH(QString, none);
        reopenWith({{{"path", path}, {"status", 500}, {"body", R"({"message":"Lists are resting."})"}}});
        auto *error = find<QLabel>(qPrintable(part + QStringLiteral("Error")));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("Lists are resting."), deadline);
        QTRY_VERIFY_WITH_TIMEOUT(f.requestCount(QStringLiteral("/api/chats/my_questions")) == 1, deadline);
        QVERIFY(!find<QLabel>(qPrintable(none))->isVisible());
        QVERIFY(!find<QWidget>("askEmptyState")->isVisible());

        QTest::mouseClick(find<QPushButton>(qPrintable(part + QStringLiteral("RetryButton"))), Qt::LeftButton);
        auto *list = find<QAbstractItemView>(qPrintable(part + QStringLiteral("List")));
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), deadline);
        QVERIFY(list->model()->rowCount() > 0);
        QVERIFY(!error->isVisible());
        QVERIFY(!find<QLabel>(qPrintable(none))->isVisible());
    }

    void emptyLists_sayNone_andTheEmptyStateSaysWhatToDo()
    {
        reopenWith({{{"path", suggestionsPath}, {"status", 200}, {"body", "[]"}},
                    {{"path", "/api/chats/my_questions"}, {"status", 200}, {"body", R"({"data":[]})"}}});
        auto *noQuestions = find<QLabel>("noQuestionsLabel");
        QTRY_COMPARE_WITH_TIMEOUT(shownText(noQuestions), QStringLiteral("No questions yet."), deadline);
        QCOMPARE(shownText(find<QLabel>("noSuggestionsLabel")), QStringLiteral("No suggestions yet."));
        auto *message = find<QLabel>("askEmptyMessage");
        QVERIFY(message->isVisible());
        QVERIFY(message->text().startsWith(QStringLiteral("No questions yet. ")));
        QCOMPARE(ScreenTestKit::textColor(message), Theme::secondaryColor(message));
        ask("First?");
        QVERIFY(!find<QWidget>("askEmptyState")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
    }

    // A screen reader's row action does what a click does; the row it reads as selected is the open one.
    void rows_actThroughTheirAccessibleAction()
    {
        QTRY_VERIFY_WITH_TIMEOUT(find<QWidget>("suggestionsList")->isVisible(), deadline);
        QAccessibleInterface *suggestion = row("suggestionsList", 1);
        const QString question = suggestion->text(QAccessible::Name);
        suggestion->actionInterface()->doAction(suggestion->actionInterface()->actionNames().first());
        QTRY_COMPARE(find<QLabel>("conversationTitle")->text(), question);
        QVERIFY(!row("suggestionsList", 1)->state().selected);
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);

        const int stored = rowTexts(find<QAbstractItemView>("historyList")).indexOf(storedQuestion);
        QAccessibleInterface *history = row("historyList", stored);
        QVERIFY(!history->state().selected);
        history->actionInterface()->doAction(history->actionInterface()->actionNames().first());
        QTRY_COMPARE(find<QLabel>("conversationTitle")->text(), storedQuestion);
        QVERIFY(row("historyList", stored)->state().selected);
        QVERIFY(!row("historyList", 1 - stored)->state().selected);
    }

    // Tab goes through named stops only, in the order drawn; the two fields are told apart.
    void focusChain_isNamed_inVisualOrder()
    {
        openStoredConversation();
        QTest::keyClicks(find<QWidget>("askField"), QStringLiteral("draft"));
        QTest::keyClicks(find<QWidget>("followUpField"), QStringLiteral("draft"));
        QStringList names;
        for (QWidget *stop : FocusChain::stops(m_panel.get())) {
            if (!stop->objectName().isEmpty())
                names << stop->objectName();
        }
        const QStringList drawn{
            "suggestionsToggle", "refreshSuggestionsButton", "suggestionsList",     "historyList",    "askField",
            "askSendButton",     "closeConversationButton",  "explainSimplyButton", "undoLastButton", "copyAllButton",
            "followUpField",     "followUpSendButton"};
        QStringList reached = names;
        reached.removeIf([&drawn](const QString &name) { return !drawn.contains(name); });
        QCOMPARE(reached, drawn);
        const QStringList spoken = FocusChain::names(m_panel.get());
        QVERIFY2(!spoken.contains(QString()), qPrintable(spoken.join(u'|')));
        QVERIFY(spoken.contains(QStringLiteral("New question")));
        QVERIFY(spoken.contains(QStringLiteral("Follow-up question")));
        QCOMPARE(find<QLineEdit>("followUpField")->placeholderText(), QStringLiteral("Ask anything"));
        QCOMPARE(find<QWidget>("suggestionsSpinner")->accessibleName(), QStringLiteral("Loading suggestions"));
    }

    void look_listWidth_capsuleFields_andRowsPaddedAlike()
    {
        QTRY_VERIFY_WITH_TIMEOUT(find<QWidget>("suggestionsList")->isVisible(), deadline);
        QCOMPARE(find<QWidget>("askList")->width(), 320);
        openStoredConversation();
        for (const char *name : {"askField", "followUpField"}) {
            auto *field = find<QLineEdit>(name);
            const QImage drawn = field->parentWidget()->grab().toImage();
            const QRect box = field->geometry();
            const QColor base = field->palette().color(QPalette::Base);
            // Rounded: the corner shows the bar behind, the middle the field.
            QVERIFY2(drawn.pixelColor(box.topLeft() + QPoint(4, 4)) != base, name);
            QCOMPARE(drawn.pixelColor(box.center() + QPoint(0, box.height() / 4)), base);
        }
        const int padded = find<QWidget>("historyList")->fontMetrics().height() + 2 * 12;
        for (const char *name : {"suggestionsList", "historyList"}) {
            auto *list = find<QAbstractItemView>(name);
            QVERIFY2(list->visualRect(list->model()->index(0, 0)).height() >= padded, name);
        }
    }

    // One column: both headers start at one indent and in one colour; beside the list, with questions
    // listed and none open, the detail says how to open one.
    void column_headersAlike_andTheDetailSaysWhatToDo()
    {
        QTRY_VERIFY_WITH_TIMEOUT(find<QWidget>("historyList")->isVisible(), deadline);
        auto *toggle = find<QToolButton>("suggestionsToggle");
        auto *myQuestions = find<QLabel>("myQuestionsLabel");
        QCOMPARE(inkStart(toggle), inkStart(myQuestions));
        QCOMPARE(toggle->palette().color(QPalette::ButtonText), myQuestions->palette().color(QPalette::WindowText));
        auto *hint = find<QLabel>("askChooseHint");
        QVERIFY(hint->isVisible());
        QCOMPARE(ScreenTestKit::textColor(hint), Theme::secondaryColor(hint));
        openStoredConversation();
        QVERIFY(!hint->isVisible());
        QTest::mouseClick(find<QToolButton>("closeConversationButton"), Qt::LeftButton);
        QTRY_VERIFY(hint->isVisible());
    }

    void sentFollowUp_scrollsIntoView()
    {
        m_panel->resize(1000, 420);
        openStoredConversation();
        find<QScrollArea>("turnList")->verticalScrollBar()->setValue(0);
        // The answer waits, so the rows stay as they are while the list scrolls.
        f.delay(AskFixture::streamPath, 1000);
        auto *field = find<QLineEdit>("followUpField");
        QTest::keyClicks(field, QStringLiteral("Seen?"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(shownLabels(m_panel.get(), "questionBubble").size(), 3);
        const QPointer<QLabel> asked = shownLabels(m_panel.get(), "questionBubble").last();
        QCOMPARE(asked->text(), QStringLiteral("Seen?"));
        QTRY_VERIFY(asked && isInView(asked, "turnList"));
        QTRY_VERIFY_WITH_TIMEOUT(!session()->isAsking(), deadline);
    }

    // A double click undoes once; while it runs, a follow-up waits in its field.
    void undo_doubleClick_undoesOnce_andTheFollowUpWaits()
    {
        openStoredConversation();
        const QString undoPath = QStringLiteral("/api/chats/channels/") + f.storedChannel + QStringLiteral("/undo");
        f.delay(undoPath, 400);
        auto *undo = find<QToolButton>("undoLastButton");
        QTest::mouseClick(undo, Qt::LeftButton);
        QVERIFY(!undo->isEnabled());
        QTest::mouseClick(undo, Qt::LeftButton);
        auto *field = find<QLineEdit>("followUpField");
        QTest::keyClicks(field, QStringLiteral("Wait?"));
        QVERIFY(!find<QToolButton>("followUpSendButton")->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QStringLiteral("Wait?"));
        QTRY_VERIFY_WITH_TIMEOUT(undo->isEnabled(), deadline);
        QTRY_COMPARE(shownLabels(m_panel.get(), "questionBubble").size(), 1);
        QVERIFY(find<QToolButton>("followUpSendButton")->isEnabled());
        QCOMPARE(f.requestCount(undoPath), 1);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 0);
    }

    // A person's double click whose second press comes after the service answered the first.
    void undo_doubleClick_afterTheFirstUndoIsDone_undoesOnce()
    {
        const DoubleClickInterval within(60000);
        openStoredConversation();
        const QString undoPath = QStringLiteral("/api/chats/channels/") + f.storedChannel + QStringLiteral("/undo");
        auto *undo = find<QToolButton>("undoLastButton");
        QTest::mouseClick(undo, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(undo->isEnabled() && shownLabels(m_panel.get(), "questionBubble").size() == 1,
                                 deadline);
        QTest::mouseDClick(undo, Qt::LeftButton);
        QTest::mouseRelease(undo, Qt::LeftButton);
        QVERIFY(undo->isEnabled());
        QCOMPARE(f.requestCount(undoPath), 1);
        QCOMPARE(shownLabels(m_panel.get(), "questionBubble").size(), 1);
    }

    // Two windows on one conversation: while the other window's question or undo is under way, Undo and
    // Explain Simply are disabled in both, for the mouse and for a screen reader alike, and work again after.
    void undo_isDisabledEverywhere_whileAnotherWindowWorksOnTheConversation_data()
    {
        QTest::addColumn<QString>("work"); // the second window's button, its request held at the service
        QTest::addColumn<int>("questionsAfter");
        QTest::newRow("follow-up streams") << QStringLiteral("followUpSendButton") << 3;
        QTest::newRow("explain simply streams") << QStringLiteral("explainSimplyButton") << 3;
        QTest::newRow("undo runs") << QStringLiteral("undoLastButton") << 1;
    }
    void undo_isDisabledEverywhere_whileAnotherWindowWorksOnTheConversation()
    {
        QFETCH(QString, work);
        QFETCH(int, questionsAfter);
        const DoubleClickInterval apart(0);
        const QString undoPath = QStringLiteral("/api/chats/channels/") + f.storedChannel + QStringLiteral("/undo");
        openStoredConversation();
        const std::unique_ptr<AskAppPanel> second = shownPanel();
        openStoredConversation(second.get());
        auto *undo = find<QToolButton>("undoLastButton");
        auto *otherUndo = child<QToolButton>(second.get(), "undoLastButton");
        QVERIFY(undo->isEnabled() && otherUndo->isEnabled());

        const bool undoing = work == QLatin1String("undoLastButton");
        f.server.injectFault({{"path", undoing ? undoPath : AskFixture::streamPath}, {"hold", true}});
        QTest::keyClicks(child<QWidget>(second.get(), "followUpField"), QStringLiteral("And now?"));
        QTest::mouseClick(child<QToolButton>(second.get(), qPrintable(work)), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, deadline);
        QVERIFY(!undo->isEnabled() && !otherUndo->isEnabled());
        auto *explain = find<QToolButton>("explainSimplyButton");
        QVERIFY(!explain->isEnabled() && !child<QToolButton>(second.get(), "explainSimplyButton")->isEnabled());
        QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(undo);
        QVERIFY(spoken->state().disabled);
        spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.requestCount(undoPath), undoing ? 1 : 0);

        f.server.releaseHeldReplies();
        QTRY_VERIFY_WITH_TIMEOUT(undo->isEnabled() && otherUndo->isEnabled(), deadline);
        QVERIFY(explain->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(m_panel.get(), "questionBubble").size(), questionsAfter, deadline);
        QVERIFY(!spoken->state().disabled);
        spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(second.get(), "questionBubble").size(), questionsAfter - 1, deadline);
        QCOMPARE(f.requestCount(undoPath), undoing ? 2 : 1);
    }

    // Messages that could not be loaded say so where they would be, offer Try Again, and no undo.
    void failedMessages_showTryAgain_andNoUndo_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QString>("error");
        QTest::newRow("failed") << QJsonObject{{"status", 500}, {"body", R"({"message":"Messages are resting."})"}}
                                << QStringLiteral("Messages are resting.");
        QTest::newRow("malformed") << QJsonObject{{"status", 200}, {"body", R"({"data":[{"_id":5}]})"}}
                                   << QStringLiteral("Received an unexpected response from the server.");
    }
    void failedMessages_showTryAgain_andNoUndo()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(QString, error);
        fault.insert(QStringLiteral("path"), QStringLiteral("/api/chats/channels/") + f.storedChannel);
        f.server.injectFault(fault);
        auto *history = find<FittedListView>("historyList");
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {},
                          history->visualRect(history->model()->index(0, 0)).center());
        auto *shownError = find<QLabel>("conversationHistoryFailureError");
        QTRY_COMPARE_WITH_TIMEOUT(shownText(shownError), error, deadline);
        QVERIFY(!find<QToolButton>("undoLastButton")->isEnabled());
        QCOMPARE(shownLabels(m_panel.get(), "questionBubble").size(), 0);

        QTest::mouseClick(find<QPushButton>("conversationHistoryFailureRetryButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownLabels(m_panel.get(), "questionBubble").size(), 2, deadline);
        QVERIFY(!find<QWidget>("conversationHistoryFailure")->isVisible());
        QVERIFY(find<QToolButton>("undoLastButton")->isEnabled());
    }

    void countLine_isSingularForOneRecord_data()
    {
        QTest::addColumn<int>("used");
        QTest::addColumn<QString>("line");
        QTest::newRow("one") << 1 << QStringLiteral("Based on 1 record from your timeline");
        QTest::newRow("three") << 3 << QStringLiteral("Based on 3 records from your timeline");
    }
    void countLine_isSingularForOneRecord()
    {
        QFETCH(int, used);
        QFETCH(QString, line);
        AskTurn answer = AskTurn::localAnswerPlaceholder();
        answer.content = QStringLiteral("An answer.");
        answer.isStreaming = false;
        answer.usedMedbits = QList<UsedMedbitRef>(used, UsedMedbitRef{QStringLiteral("m"), QStringLiteral("entry")});
        AskTurnRow shown(answer);
        QCOMPARE(child<QLabel>(&shown, "usedRecordsLabel")->text(), line);
    }

    void closeButton_hidesTheConversation_andClearsTheFollowUp()
    {
        openStoredConversation();
        QTest::keyClicks(find<QWidget>("followUpField"), QStringLiteral("draft"));
        QTest::mouseClick(find<QToolButton>("closeConversationButton"), Qt::LeftButton);
        QTRY_VERIFY(find<QWidget>("conversationDetail") == nullptr);
        QCOMPARE(session()->followUpText(), QString());
    }
};

QTEST_MAIN(AskAppPanelTest)
#include "AskAppPanelTest.moc"
