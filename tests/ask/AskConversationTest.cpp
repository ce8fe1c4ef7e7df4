#include "ask/AskConversation.h"

#include <QRegularExpression>
#include <QTest>

namespace
{

AskTurn turn(const QString &role, const QString &content)
{
    AskTurn made = AskTurn::localQuestion(content);
    made.role = role;
    return made;
}

const QRegularExpression upperUUID(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

} // namespace

// The conversation and turn values of the Ask section: how they are made, ordered and copied.
class AskConversationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void turnFromMessage_keepsItsFields_andFillsTheMissingOnes_data()
    {
        QTest::addColumn<ChatMessage>("message");
        QTest::addColumn<int>("usedCount");
        QTest::addColumn<bool>("dated");
        const QDateTime created(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
        QTest::newRow("answer with entries")
            << ChatMessage{"m1", "c1", "assistant", "**A**", QList<UsedMedbitRef>{{"e1", "Asthma"}}, created} << 1
            << true;
        QTest::newRow("no list, no date") << ChatMessage{"m2", {}, "user", "Q", {}, {}} << 0 << false;
        QTest::newRow("empty list, other role")
            << ChatMessage{"m3", {}, "system", "note", QList<UsedMedbitRef>{}, created} << 0 << true;
    }

    void turnFromMessage_keepsItsFields_andFillsTheMissingOnes()
    {
        QFETCH(ChatMessage, message);
        QFETCH(int, usedCount);
        QFETCH(bool, dated);
        const QDateTime before = QDateTime::currentDateTime();
        const AskTurn made = AskTurn::fromMessage(message);
        QCOMPARE(made.id, message.id);
        QCOMPARE(made.role, message.role);
        QCOMPARE(made.content, message.content);
        QCOMPARE(made.usedMedbits.size(), usedCount);
        QVERIFY(!made.isError && !made.isStreaming);
        if (dated)
            QCOMPARE(made.date, *message.createdAt);
        else
            QVERIFY(made.date >= before && made.date <= QDateTime::currentDateTime());
    }

    void localTurns_areAQuestionAndAStreamingEmptyAnswer_withFreshIDs()
    {
        const AskTurn question = AskTurn::localQuestion(QStringLiteral("Why?"));
        const AskTurn answer = AskTurn::localAnswerPlaceholder();
        QVERIFY(upperUUID.match(question.id).hasMatch() && upperUUID.match(answer.id).hasMatch());
        QVERIFY(question.id != answer.id);
        QVERIFY(question.isQuestion() && !question.isStreaming && question.content == QStringLiteral("Why?"));
        QVERIFY(!answer.isQuestion() && answer.isStreaming && answer.content.isEmpty() && !answer.isError);
        QVERIFY(question.usedMedbits.isEmpty() && answer.usedMedbits.isEmpty());
    }

    void conversations_fromAChannel_orBegunHere()
    {
        const QDateTime updated(QDate(2025, 3, 1), QTime(9, 32), Qt::UTC);
        const AskConversation listed = AskConversation::fromChannel(ChatChannel{"c1", "Title", updated});
        QCOMPARE(listed.id, QStringLiteral("c1"));
        QCOMPARE(listed.channelID, std::optional<QString>(QStringLiteral("c1")));
        QCOMPARE(listed.title, QStringLiteral("Title"));
        QCOMPARE(listed.updatedAt, updated);
        QVERIFY(!listed.hasLoadedHistory && listed.turns.isEmpty());

        const QDateTime before = QDateTime::currentDateTime();
        const AskConversation untitled = AskConversation::fromChannel(ChatChannel{"c2", {}, {}});
        QCOMPARE(untitled.title, QString());
        QVERIFY(untitled.updatedAt >= before);

        const AskConversation begun = AskConversation::begun(QStringLiteral("New?"));
        QVERIFY(upperUUID.match(begun.id).hasMatch());
        QVERIFY(!begun.channelID && begun.hasLoadedHistory && begun.turns.isEmpty());
        QCOMPARE(begun.title, QStringLiteral("New?"));
    }

    void displayOrder_newestFirst_equalTimesInListOrder()
    {
        const QDateTime t(QDate(2025, 3, 1), QTime(9, 0), Qt::UTC);
        QList<AskConversation> list;
        for (const auto &[id, minutes] : QList<QPair<QString, int>>{{"a", 1}, {"b", 5}, {"c", 1}, {"d", 9}, {"e", 5}})
            list.append(AskConversation::fromChannel(ChatChannel{id, {}, t.addSecs(minutes * 60)}));
        QStringList ids;
        for (const AskConversation &c : sortAskConversations(list))
            ids << c.id;
        QCOMPARE(ids, (QStringList{"d", "b", "e", "a", "c"}));
    }

    void copyAll_data()
    {
        QTest::addColumn<QList<AskTurn>>("turns");
        QTest::addColumn<QString>("text");
        QTest::newRow("no turns") << QList<AskTurn>{} << QString();
        QTest::newRow("a question and its answer")
            << QList<AskTurn>{turn("user", "Why?"), turn("assistant", "**Because**\nof this.")}
            << QStringLiteral("Q: Why?\n\nA: **Because**\nof this.");
        QTest::newRow("raw content, an empty placeholder, another role")
            << QList<AskTurn>{turn("user", "  spaced  "), turn("assistant", ""), turn("system", "note")}
            << QStringLiteral("Q:   spaced  \n\nA: \n\nA: note");
    }

    void copyAll()
    {
        QFETCH(QList<AskTurn>, turns);
        QFETCH(QString, text);
        AskConversation conversation = AskConversation::begun(QStringLiteral("t"));
        conversation.turns = turns;
        QCOMPARE(conversation.copyAllText(), text);
    }
};

QTEST_MAIN(AskConversationTest)
#include "AskConversationTest.moc"
