#include "HealthStoryRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QDateTime>
#include <QJsonObject>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <thread>

using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

// Writing a story takes the service a moment, long enough for a client to show that it waits.
constexpr auto storyWritingDelay = std::chrono::milliseconds(600);

// The entries oldest first, one line each under a heading.
QString narrativeOf(const Patient &patient, QList<Medbit> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Medbit &a, const Medbit &b) { return a.date < b.date; });
    QString story = QStringLiteral("## The health story of %1\n\n").arg(patient.firstName);
    if (entries.isEmpty())
        return story + QStringLiteral("The timeline holds no entries yet.");
    story += QStringLiteral("The timeline holds **%1 entries**. In order:\n\n").arg(entries.size());
    for (const Medbit &entry : entries) {
        const QString year = QString::number(QDateTime::fromSecsSinceEpoch(entry.date, Qt::UTC).date().year());
        story += QStringLiteral("- %1: %2\n").arg(year, entry.entryText);
    }
    return story + QStringLiteral("\nTalk with your doctor about *anything* that is unclear.");
}

void healthStory(StandinState &state, const Request &req, Response &res)
{
    QString narrative;
    {
        const std::lock_guard lock(state.mutex);
        const auto signedIn = Access::signedInUser(state, req, res);
        const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
        const auto patientId = body ? HttpUtil::requiredText(*body, QStringLiteral("patientId"), res) : std::nullopt;
        const Patient *patient = patientId ? Access::ownedPatient(state, *signedIn, *patientId, res) : nullptr;
        if (!patient)
            return;
        QList<Medbit> entries;
        std::copy_if(state.medbits.cbegin(), state.medbits.cend(), std::back_inserter(entries),
                     [patient](const Medbit &medbit) { return medbit.patientId == patient->id; });
        narrative = narrativeOf(*patient, entries);
    }
    std::this_thread::sleep_for(storyWritingDelay);
    HttpUtil::replyJson(res, 200, QJsonObject{{QStringLiteral("narrative"), narrative}});
}

} // namespace

void HealthStoryRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.post("/api/chats/health_story", [s](const Request &req, Response &res) { healthStory(*s, req, res); });
}
