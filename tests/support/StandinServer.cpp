#include "StandinServer.h"

#include "net/APIClient.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QRegularExpression>

#include <httplib.h>

#include <csignal>
#include <sys/prctl.h>

const QString StandinServer::demoEmail = QStringLiteral("demo@vantorelle.test");
const QString StandinServer::demoPassword = QStringLiteral("health-demo-2026");

namespace
{

constexpr int startTimeoutMs = 15000;
constexpr qint64 logBodyBytes = 16 * 1024 * 1024;

// QJsonDocument rejects top-level scalars; wrapping keeps null, numbers and strings readable.
QJsonValue parseAnyJson(const QByteArray &bytes)
{
    if (bytes.trimmed().isEmpty())
        return QJsonValue::Null;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson("[" + bytes + "]", &error);
    if (error.error != QJsonParseError::NoError || doc.array().size() != 1)
        return QJsonValue::Undefined;
    return doc.array().first();
}

LoggedRequest toLoggedRequest(const QJsonObject &entry)
{
    LoggedRequest request;
    request.method = entry.value(QLatin1String("method")).toString().toUtf8();
    request.path = entry.value(QLatin1String("path")).toString();
    request.query = entry.value(QLatin1String("query")).toString().toUtf8();
    for (const QJsonValue &pair : entry.value(QLatin1String("headers")).toArray()) {
        const QJsonArray nameValue = pair.toArray();
        request.headers.append({nameValue.at(0).toString().toUtf8(), nameValue.at(1).toString().toUtf8()});
    }
    request.body = QByteArray::fromBase64(entry.value(QLatin1String("body")).toString().toLatin1());
    request.bodyCut = entry.value(QLatin1String("bodyCut")).toBool();
    request.bodyLength = entry.value(QLatin1String("bodyLength")).toInteger();
    return request;
}

} // namespace

QByteArray LoggedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool LoggedRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &pair : headers) {
        if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QJsonValue LoggedRequest::json() const
{
    return parseAnyJson(body);
}

StandinServer::StandinServer(const QStringList &args, Controls controls)
{
    const QString program = qEnvironmentVariable("VANTORELLE_STANDIN");
    if (program.isEmpty()) {
        qWarning("StandinServer: VANTORELLE_STANDIN is not set");
        return;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes or is killed at its deadline never runs the destructor: let the
    // kernel stop the stand-in with it instead of leaving it orphaned.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QStringList arguments{QStringLiteral("--port"), QStringLiteral("0")};
    if (controls == Controls::On)
        arguments << QStringLiteral("--test-controls") << QStringLiteral("--log-body-bytes")
                  << QString::number(logBodyBytes);
    m_process.start(program, arguments + args);
    if (!m_process.waitForStarted(startTimeoutMs)) {
        qWarning() << "StandinServer: cannot start" << program << m_process.errorString();
        return;
    }
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    static const QRegularExpression listening(QStringLiteral("^listening on http://127\\.0\\.0\\.1:(\\d+)/api$"));
    const QRegularExpressionMatch match = listening.match(line);
    if (!match.hasMatch()) {
        qWarning() << "StandinServer: unexpected first line" << line;
        return;
    }
    m_port = match.captured(1).toInt();
}

StandinServer::~StandinServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The stand-in ends only after its open connections do, and it keeps an idle one for five seconds: close
    // the shared client's idle connections so the executable does not wait for them.
    APIClient::shared().network()->clearConnectionCache();
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool StandinServer::isRunning() const
{
    return m_port > 0 && m_process.state() == QProcess::Running;
}

QUrl StandinServer::apiBase() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/api").arg(m_port));
}

QList<LoggedRequest> StandinServer::requests() const
{
    QList<LoggedRequest> result;
    for (const QJsonValue &entry : control("GET", QStringLiteral("/_standin/requests")).toArray())
        result.append(toLoggedRequest(entry.toObject()));
    return result;
}

QList<LoggedRequest> StandinServer::requests(const QString &path) const
{
    QList<LoggedRequest> result;
    for (const LoggedRequest &request : requests()) {
        if (request.path == path)
            result.append(request);
    }
    return result;
}

void StandinServer::clearRequests()
{
    control("DELETE", QStringLiteral("/_standin/requests"));
}

void StandinServer::injectFault(const QJsonObject &fault)
{
    control("POST", QStringLiteral("/_standin/faults"), fault);
}

void StandinServer::clearFaults()
{
    control("DELETE", QStringLiteral("/_standin/faults"));
}

int StandinServer::heldReplies() const
{
    return control("GET", QStringLiteral("/_standin/held")).toObject().value(QLatin1String("held")).toInt();
}

void StandinServer::releaseHeldReplies()
{
    control("POST", QStringLiteral("/_standin/release"));
}

int StandinServer::gatedRequests() const
{
    return control("GET", QStringLiteral("/_standin/gated")).toObject().value(QLatin1String("gated")).toInt();
}

void StandinServer::openGates()
{
    control("POST", QStringLiteral("/_standin/open"));
}

void StandinServer::scriptStream(const QJsonObject &script)
{
    control("POST", QStringLiteral("/_standin/streams"), script);
}

void StandinServer::expireAccessTokens()
{
    control("POST", QStringLiteral("/_standin/expire-tokens"));
}

void StandinServer::reset()
{
    control("POST", QStringLiteral("/_standin/reset"));
}

QJsonValue StandinServer::apiCall(const QByteArray &method, const QString &path, const QJsonObject &body,
                                  const QByteArray &bearer)
{
    const bool absolute = path.startsWith(QLatin1String("/api")) || path.startsWith(QLatin1String("/_standin"));
    const QString fullPath = absolute ? path : QStringLiteral("/api") + path;
    const QByteArray bytes = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    return send(method, fullPath, bytes, bearer, &m_lastStatus);
}

StandinSession StandinServer::signIn(const QString &email, const QString &password)
{
    const QJsonObject reply = apiCall("POST", QStringLiteral("/auth/userLogin"),
                                      {{QStringLiteral("email"), email}, {QStringLiteral("password"), password}})
                                  .toObject();
    const QJsonObject token = reply.value(QLatin1String("token")).toObject();
    return {token.value(QLatin1String("access")).toString().toUtf8(),
            token.value(QLatin1String("refresh")).toString().toUtf8(),
            reply.value(QLatin1String("user")).toObject().value(QLatin1String("_id")).toString()};
}

QJsonValue StandinServer::control(const QByteArray &method, const QString &path, const QJsonObject &body) const
{
    int status = 0;
    const QByteArray bytes = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    const QJsonValue reply = send(method, path, bytes, {}, &status);
    if (status < 200 || status > 299)
        qWarning() << "StandinServer:" << method << path << "answered" << status;
    return reply;
}

QJsonValue StandinServer::send(const QByteArray &method, const QString &path, const QByteArray &body,
                               const QByteArray &bearer, int *status) const
{
    *status = 0;
    if (m_port <= 0)
        return QJsonValue::Undefined;
    httplib::Client client("127.0.0.1", m_port);
    client.set_connection_timeout(5);
    client.set_read_timeout(30);
    httplib::Request request;
    request.method = method.toStdString();
    request.path = path.toStdString();
    if (!bearer.isEmpty())
        request.set_header("Authorization", "Bearer " + bearer.toStdString());
    if (!body.isEmpty()) {
        request.set_header("Content-Type", "application/json");
        request.body = body.toStdString();
    }
    const httplib::Result result = client.send(request);
    if (!result)
        return QJsonValue::Undefined;
    *status = result->status;
    return parseAnyJson(QByteArray::fromStdString(result->body));
}
