#include "ChatRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QSet>

#include <httplib.h>

#include <chrono>
#include <thread>

using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

constexpr auto pauseBetweenEvents = std::chrono::milliseconds(30);
constexpr auto suggestionRefreshDelay = std::chrono::milliseconds(300);

QByteArray event(const char *name, const QJsonObject &payload)
{
    return QByteArray("event: ") + name + "\ndata: " + QJsonDocument(payload).toJson(QJsonDocument::Compact) + "\n\n";
}

// The same question about the same entries always gets the same answer.
QString answerFor(const QString &question, const QList<UsedEntry> &entries)
{
    QString answer = QStringLiteral("**Answer** to your question (%1 characters).\n\n").arg(question.size());
    answer += QStringLiteral("The timeline holds %1 entries").arg(entries.size());
    if (entries.isEmpty())
        return answer + QStringLiteral(".");
    answer += QStringLiteral(", among them:\n\n");
    for (qsizetype i = 0; i < std::min<qsizetype>(entries.size(), 2); ++i)
        answer += QStringLiteral("- ") + entries.at(i).entryText + QLatin1Char('\n');
    return answer + QStringLiteral("\nAsk your doctor about *anything* unclear.");
}

QSet<QString> longWords(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"));
    QSet<QString> words;
    for (const QString &word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
        if (word.size() >= 4)
            words.insert(word);
    }
    return words;
}

// The entries that share a word of four or more letters with the question; the first entry when none does.
QList<UsedEntry> usedEntries(const QString &question, const QList<UsedEntry> &entries)
{
    const QSet<QString> asked = longWords(question);
    QList<UsedEntry> used;
    for (const UsedEntry &entry : entries) {
        if (longWords(entry.entryText).intersects(asked))
            used.append(entry);
    }
    if (used.isEmpty() && !entries.isEmpty())
        used.append(entries.first());
    return used;
}

// The answer in pieces of a few words, so that a client sees it grow.
QList<QString> pieces(const QString &answer)
{
    QList<QString> parts;
    const QStringList words = answer.split(QLatin1Char(' '));
    for (qsizetype i = 0; i < words.size(); i += 4)
        parts.append(words.mid(i, 4).join(QLatin1Char(' ')) + (i + 4 < words.size() ? QStringLiteral(" ") : QString()));
    return parts;
}

QList<UsedEntry> entriesOf(const StandinState &state, const QString &patientId)
{
    QList<UsedEntry> entries;
    for (const auto &medbit : state.medbits) {
        if (medbit.patientId == patientId)
            entries.append({medbit.id, medbit.entryText});
    }
    return entries;
}

// The channel a question goes to: the one named, or a new one titled by the question. Null after a refusal.
Channel *channelForQuestion(StandinState &state, const QString &userId, const QString &patientId,
                            const QString &question, const Request &req, Response &res)
{
    const QString named = QString::fromStdString(req.get_param_value("channelId"));
    if (!named.isEmpty()) {
        Channel *channel = Access::ownedChannel(state, userId, named, res);
        if (channel && channel->patientId != patientId) {
            HttpUtil::replyError(res, 404, QStringLiteral("Channel not found."));
            return nullptr;
        }
        return channel;
    }
    state.channels.append(Channel{state.newId(), patientId, question, 0, {}});
    return &state.channels.last();
}

// Stores the question and its answer in their channel and gives the events that stream the answer.
std::optional<QList<QByteArray>> storeAnswer(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
    const auto content = patientId ? HttpUtil::requiredQuery(req, "content", res) : std::nullopt;
    if (!content || !Access::ownedPatient(state, *signedIn, *patientId, res))
        return std::nullopt;
    Channel *channel = channelForQuestion(state, *signedIn, *patientId, *content, req, res);
    if (!channel)
        return std::nullopt;
    const QList<UsedEntry> entries = entriesOf(state, *patientId);
    const QString answer = answerFor(*content, entries);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const ChannelMessage user{state.newId(), QStringLiteral("user"), *content, std::nullopt, now};
    const ChannelMessage assistant{state.newId(), QStringLiteral("assistant"), answer, usedEntries(*content, entries),
                                   now};
    channel->messages << user << assistant;
    channel->updatedAt = now;

    QList<QByteArray> events;
    for (const QString &piece : pieces(answer))
        events.append(event("message", {{QStringLiteral("delta"), piece}}));
    const auto streamed = ChannelMessage::DateForm::secondsSince2001;
    events.append(event("done", {{QStringLiteral("user"), user.toJson(channel->id, streamed)},
                                 {QStringLiteral("assistant"), assistant.toJson(channel->id, streamed)}}));
    return events;
}

void answerFree(StandinState &state, const Request &req, Response &res)
{
    const std::optional<QList<QByteArray>> events = storeAnswer(state, req, res);
    if (!events)
        return;
    res.status = 200;
    res.set_chunked_content_provider("text/event-stream", [events = *events](size_t, httplib::DataSink &sink) {
        for (const QByteArray &bytes : events) {
            std::this_thread::sleep_for(pauseBetweenEvents);
            if (!sink.write(bytes.constData(), size_t(bytes.size())))
                return false;
        }
        sink.done();
        return true;
    });
}

// Questions about the patient's own timeline; a refresh gives another set, after a moment's thought.
void suggestedQuestions(StandinState &state, const Request &req, Response &res)
{
    const bool refresh = req.get_param_value("refresh") == "true";
    bool hasEntries = false;
    {
        const std::lock_guard lock(state.mutex);
        const auto signedIn = Access::signedInUser(state, req, res);
        const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
        if (!patientId || !Access::ownedPatient(state, *signedIn, *patientId, res))
            return;
        hasEntries = !entriesOf(state, *patientId).isEmpty();
    }
    if (refresh)
        std::this_thread::sleep_for(suggestionRefreshDelay);
    QStringList questions;
    if (hasEntries && refresh)
        questions = {QStringLiteral("What changed in my health this year?"),
                     QStringLiteral("Which results should I discuss with my doctor?"),
                     QStringLiteral("Do any of my medications interact?")};
    else if (hasEntries)
        questions = {QStringLiteral("Summarize my medications."), QStringLiteral("Are my vaccinations up to date?"),
                     QStringLiteral("What does my blood panel say?")};
    HttpUtil::replyJson(res, 200, QJsonArray::fromStringList(questions));
}

} // namespace

void ChatRoutes::install(Router &router, StandinState &state)
{
    router.get("/api/chats/get_answer_free",
               [&state](const Request &req, Response &res) { answerFree(state, req, res); });
    router.get("/api/chats/suggested_questions",
               [&state](const Request &req, Response &res) { suggestedQuestions(state, req, res); });
}
