#include "FaultBook.h"

#include <QJsonArray>

#include <chrono>

namespace
{

// A hang ends at the latest after this long, so a forgotten fault cannot pin a thread forever.
constexpr auto longestHang = std::chrono::minutes(10);

bool readHeaders(const QJsonValue &value, HeaderList *headers, QString *error)
{
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isObject()) {
        *error = QStringLiteral("\"headers\" must be an object of texts.");
        return false;
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString()) {
            *error = QStringLiteral("\"headers\" must be an object of texts.");
            return false;
        }
        headers->append({it.key().toUtf8(), it.value().toString().toUtf8()});
    }
    return true;
}

bool readTarget(const QJsonObject &json, QByteArray *method, QByteArray *path, int *times, QString *error)
{
    if (!json.value(QLatin1String("path")).isString()) {
        *error = QStringLiteral("\"path\" is required.");
        return false;
    }
    *path = json.value(QLatin1String("path")).toString().toUtf8();
    *method = json.value(QLatin1String("method")).toString().toUpper().toUtf8();
    *times = json.value(QLatin1String("times")).toInt(1);
    return true;
}

QByteArray readData(const QJsonObject &json, const QString &textKey, const QString &base64Key)
{
    if (json.contains(base64Key))
        return QByteArray::fromBase64(json.value(base64Key).toString().toLatin1());
    return json.value(textKey).toString().toUtf8();
}

} // namespace

std::optional<Fault> FaultBook::parseFault(const QJsonObject &json, QString *error)
{
    Fault fault;
    if (!readTarget(json, &fault.method, &fault.path, &fault.times, error))
        return std::nullopt;
    if (json.contains(QLatin1String("status")))
        fault.status = json.value(QLatin1String("status")).toInt();
    fault.body = readData(json, QStringLiteral("body"), QStringLiteral("bodyBase64"));
    fault.delayMs = json.value(QLatin1String("delayMs")).toInt();
    fault.hang = json.value(QLatin1String("hang")).toBool();
    fault.drop = json.value(QLatin1String("drop")).toBool();
    fault.hold = json.value(QLatin1String("hold")).toBool();
    fault.gate = json.value(QLatin1String("gate")).toBool();
    if (!readHeaders(json.value(QLatin1String("headers")), &fault.headers, error))
        return std::nullopt;
    return fault;
}

std::optional<StreamScript> FaultBook::parseStream(const QJsonObject &json, QString *error)
{
    StreamScript script;
    if (!readTarget(json, &script.method, &script.path, &script.times, error))
        return std::nullopt;
    script.status = json.value(QLatin1String("status")).toInt(200);
    script.cut = json.value(QLatin1String("cut")).toBool();
    if (!readHeaders(json.value(QLatin1String("headers")), &script.headers, error))
        return std::nullopt;
    for (const QJsonValue &value : json.value(QLatin1String("chunks")).toArray()) {
        const QJsonObject chunk = value.toObject();
        script.chunks.append({readData(chunk, QStringLiteral("data"), QStringLiteral("dataBase64")),
                              chunk.value(QLatin1String("pauseMs")).toInt(),
                              chunk.value(QLatin1String("gate")).toBool()});
    }
    return script;
}

void FaultBook::addFault(const Fault &fault)
{
    const std::lock_guard lock(m_mutex);
    m_faults.append(fault);
}

void FaultBook::addStream(const StreamScript &script)
{
    const std::lock_guard lock(m_mutex);
    m_streams.append(script);
}

void FaultBook::clearFaults()
{
    {
        const std::lock_guard lock(m_mutex);
        m_faults.clear();
    }
    wakeAll();
}

void FaultBook::clearAll()
{
    {
        const std::lock_guard lock(m_mutex);
        m_faults.clear();
        m_streams.clear();
    }
    wakeAll();
}

void FaultBook::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    wakeAll();
}

void FaultBook::wakeAll()
{
    {
        const std::lock_guard lock(m_mutex);
        ++m_generation;
    }
    m_wake.notify_all();
}

template <typename T> std::optional<T> FaultBook::take(QList<T> &list, const QByteArray &method, const QByteArray &path)
{
    const std::lock_guard lock(m_mutex);
    for (qsizetype i = 0; i < list.size(); ++i) {
        T &entry = list[i];
        if (entry.path != path || (!entry.method.isEmpty() && entry.method != method))
            continue;
        T taken = entry;
        if (entry.times > 0 && --entry.times == 0)
            list.removeAt(i);
        return taken;
    }
    return std::nullopt;
}

std::optional<Fault> FaultBook::takeFault(const QByteArray &method, const QByteArray &path)
{
    return take(m_faults, method, path);
}

std::optional<StreamScript> FaultBook::takeStream(const QByteArray &method, const QByteArray &path)
{
    return take(m_streams, method, path);
}

bool FaultBook::pause(int ms)
{
    std::unique_lock lock(m_mutex);
    const quint64 generation = m_generation;
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms),
                            [&] { return m_stopped || m_generation != generation; });
}

void FaultBook::hang()
{
    std::unique_lock lock(m_mutex);
    const quint64 generation = m_generation;
    m_wake.wait_for(lock, longestHang, [&] { return m_stopped || m_generation != generation; });
}

void FaultBook::holdReply()
{
    waitIn(m_heldReplies);
}

int FaultBook::heldReplies()
{
    return countIn(m_heldReplies);
}

void FaultBook::release()
{
    letGo(m_heldReplies);
}

void FaultBook::waitAtGate()
{
    waitIn(m_gatedRequests);
}

int FaultBook::gatedRequests()
{
    return countIn(m_gatedRequests);
}

void FaultBook::openGates()
{
    letGo(m_gatedRequests);
}

void FaultBook::waitIn(WaitingLine &line)
{
    std::unique_lock lock(m_mutex);
    const quint64 generation = m_generation;
    const quint64 lettings = line.lettings;
    ++line.waiting;
    m_wake.wait_for(lock, longestHang,
                    [&] { return m_stopped || m_generation != generation || line.lettings != lettings; });
    --line.waiting;
}

int FaultBook::countIn(const WaitingLine &line)
{
    const std::lock_guard lock(m_mutex);
    return line.waiting;
}

void FaultBook::letGo(WaitingLine &line)
{
    {
        const std::lock_guard lock(m_mutex);
        ++line.lettings;
    }
    m_wake.notify_all();
}
