#include "ChatRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QUuid>

#include <httplib.h>

#include <chrono>
#include <thread>

using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

// The service writes its chat dates as seconds since 1 January 2001.
constexpr qint64 referenceDateOffset = 978307200;
constexpr auto pauseBetweenEvents = std::chrono::milliseconds(30);

QByteArray event(const char *name, const QJsonObject &payload)
{
    return QByteArray("event: ") + name + "\ndata: " + QJsonDocument(payload).toJson(QJsonDocument::Compact) + "\n\n";
}

// The same question about the same entries always gets the same answer.
QString answerFor(const QString &question, const QList<QString> &entryTexts)
{
    QString answer = QStringLiteral("**Answer** to your question (%1 characters).\n\n").arg(question.size());
    answer += QStringLiteral("The timeline holds %1 entries").arg(entryTexts.size());
    if (entryTexts.isEmpty())
        return answer + QStringLiteral(".");
    answer += QStringLiteral(", among them:\n\n");
    for (qsizetype i = 0; i < std::min<qsizetype>(entryTexts.size(), 2); ++i)
        answer += QStringLiteral("- ") + entryTexts.at(i) + QLatin1Char('\n');
    return answer + QStringLiteral("\nAsk your doctor about *anything* unclear.");
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

QJsonObject message(const QString &channelId, const QString &role, const QString &content, qint64 created)
{
    return {{QStringLiteral("_id"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
            {QStringLiteral("channelId"), channelId},
            {QStringLiteral("role"), role},
            {QStringLiteral("content"), content},
            {QStringLiteral("createdAt"), double(created)}};
}

void answerFree(StandinState &state, const Request &req, Response &res)
{
    QList<QString> entryTexts;
    QString question;
    QString channelId = QString::fromStdString(req.get_param_value("channelId"));
    {
        const std::lock_guard lock(state.mutex);
        const auto signedIn = Access::signedInUser(state, req, res);
        const auto patientId = signedIn ? HttpUtil::requiredQuery(req, "patientId", res) : std::nullopt;
        const auto content = patientId ? HttpUtil::requiredQuery(req, "content", res) : std::nullopt;
        if (!content || !Access::ownedPatient(state, *signedIn, *patientId, res))
            return;
        question = *content;
        for (const auto &medbit : state.medbits) {
            if (medbit.patientId == *patientId)
                entryTexts.append(medbit.entryText);
        }
    }
    if (channelId.isEmpty())
        channelId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString answer = answerFor(question, entryTexts);
    QList<QByteArray> events;
    for (const QString &piece : pieces(answer))
        events.append(event("message", {{QStringLiteral("delta"), piece}}));
    const qint64 now = QDateTime::currentSecsSinceEpoch() - referenceDateOffset;
    events.append(
        event("done", {{QStringLiteral("user"), message(channelId, QStringLiteral("user"), question, now)},
                       {QStringLiteral("assistant"), message(channelId, QStringLiteral("assistant"), answer, now)}}));
    res.status = 200;
    res.set_chunked_content_provider("text/event-stream", [events](size_t, httplib::DataSink &sink) {
        for (const QByteArray &bytes : events) {
            std::this_thread::sleep_for(pauseBetweenEvents);
            if (!sink.write(bytes.constData(), size_t(bytes.size())))
                return false;
        }
        sink.done();
        return true;
    });
}

} // namespace

void ChatRoutes::install(Router &router, StandinState &state)
{
    router.get("/api/chats/get_answer_free",
               [&state](const Request &req, Response &res) { answerFree(state, req, res); });
}
