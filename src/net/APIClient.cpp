#include "APIClient.h"

#include "AbortHandle.h"
#include "AuthTokenProviding.h"
#include "NetworkReplyPtr.h"
#include "ReplyMonitor.h"
#include "ServiceMessage.h"

#include <QCoroFuture>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QtConcurrentRun>

namespace
{

// Everything but the unreserved characters is escaped, so "+", "&" and "=" inside a key or value reach
// the service unchanged (form-style servers read a raw "+" as a space).
QByteArray encodeQueryPart(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

std::optional<QString> utf8Text(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The message of a failed reply: the service's JSON "message" (even when empty), else the body as
// text, else (and for a web page) a generic text with the status.
QString failureMessage(int status, const QByteArray &contentType, const QByteArray &body)
{
    if (const std::optional<QString> message = ServiceMessage::of(contentType, body))
        return *message;
    if (!ServiceMessage::isWebPage(contentType, body)) {
        if (const std::optional<QString> text = utf8Text(body); text && !text->isEmpty())
            return *text;
    }
    return QCoreApplication::translate("APIError", "Request failed with status %1.").arg(status);
}

void throwIfAborted(const std::shared_ptr<AbortHandle> &abort)
{
    if (abort && abort->isAborted())
        throw APIError::canceled();
}

} // namespace

APIClient::APIClient()
    : m_baseURL(QUrl(QStringLiteral(VANTORELLE_API_BASE))), m_network(new QNetworkAccessManager(this)),
      m_changes(new ChangesInFlight(this))
{
    Q_ASSERT(m_baseURL.isValid());
}

APIClient &APIClient::shared()
{
    static APIClient *client = new APIClient;
    return *client;
}

void APIClient::setAuthProvider(AuthTokenProviding *provider)
{
    m_authProvider = provider;
}

AuthTokenProviding *APIClient::authProvider() const
{
    return m_authProvider.data();
}

QString APIClient::makeBoundary()
{
    return MultipartBody::makeBoundary();
}

QByteArray APIClient::makeMultipartBody(const QString &boundary, const FormFields &fields,
                                        const QList<MultipartFile> &files)
{
    return MultipartBody::make(boundary, fields, files);
}

std::optional<QUrl> APIClient::makeURL(const QString &path, const QueryItems &query) const
{
    QString basePath = m_baseURL.path(QUrl::FullyDecoded);
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    QString relative = path;
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    QUrl url = m_baseURL;
    url.setPath(basePath + QLatin1Char('/') + relative, QUrl::DecodedMode);

    QByteArray encodedQuery;
    for (const auto &[key, value] : query) {
        if (!value)
            continue;
        if (!encodedQuery.isEmpty())
            encodedQuery += '&';
        encodedQuery += encodeQueryPart(key) + '=' + encodeQueryPart(*value);
    }
    if (!encodedQuery.isEmpty())
        url.setQuery(QString::fromLatin1(encodedQuery), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

void APIClient::authorize(QNetworkRequest &request) const
{
    if (!m_authProvider)
        return;
    if (const std::optional<QString> token = m_authProvider->accessToken())
        request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
}

QNetworkRequest APIClient::makeRequest(const std::optional<QUrl> &url, const Headers &headers) const
{
    QNetworkRequest request(url.value_or(QUrl()));
    if (headers.contentType)
        request.setRawHeader("Content-Type", *headers.contentType);
    if (headers.accept)
        request.setRawHeader("Accept", *headers.accept);
    if (headers.sendsClientPlatform)
        request.setRawHeader("X-Client-Platform", "mac");
    if (headers.sendsToken)
        authorize(request);
    return request;
}

StreamRequest APIClient::makeStreamRequest(const APIRequest &call) const
{
    const Headers headers{.accept = "text/event-stream", .sendsToken = call.requiresAuth};
    return {makeRequest(makeURL(call.path, call.query), headers), methodText(call.method), {}, call.abort};
}

// The analysis upload names no client platform and sends the token whenever there is one.
StreamRequest APIClient::makeUploadStreamRequest(const QString &path, const FormFields &fields,
                                                 const QList<MultipartFile> &files) const
{
    const QString boundary = makeBoundary();
    const Headers headers{.contentType = "multipart/form-data; boundary=" + boundary.toUtf8(),
                          .accept = "text/event-stream",
                          .sendsClientPlatform = false};
    return {makeRequest(makeURL(path, {}), headers), QByteArrayLiteral("POST"),
            MultipartBody::layout(boundary, fields, files)};
}

void APIClient::connectAhead()
{
    const bool secure = m_baseURL.scheme() == QLatin1String("https");
    const quint16 port = quint16(m_baseURL.port(secure ? 443 : 80));
#if QT_CONFIG(ssl)
    if (secure) {
        m_network->connectToHostEncrypted(m_baseURL.host(), port);
        return;
    }
#endif
    m_network->connectToHost(m_baseURL.host(), port);
}

QCoro::Task<> APIClient::runAside(std::function<void()> work)
{
    QFuture<void> done = QtConcurrent::run(std::move(work));
    co_await done;
}

QCoro::Task<QByteArray> APIClient::requestBytes(APIRequest call)
{
    const std::optional<QUrl> url = makeURL(call.path, call.query);
    if (!url)
        throw APIError::invalidURL();
    std::optional<QByteArray> contentType;
    if (call.contentType)
        contentType = call.contentType->toUtf8();
    const Headers headers{.contentType = contentType, .sendsToken = call.requiresAuth};
    QNetworkRequest request = makeRequest(url, headers);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    const HttpReply reply =
        co_await send(request, methodText(call.method), call.body.value_or(QByteArray()), call.abort);
    if (reply.status == 401 && call.requiresAuth && call.retryOnUnauthorized) {
        QPointer<AuthTokenProviding> provider = m_authProvider;
        if (!provider)
            throw APIError::unauthorized();
        if (co_await provider->refreshAccessToken()) {
            call.retryOnUnauthorized = false;
            co_return co_await requestBytes(std::move(call));
        }
        if (provider)
            provider->clearSession();
        throwIfAborted(call.abort);
        throw APIError::unauthorized();
    }
    if (reply.status < 200 || reply.status > 299)
        throw APIError::server(reply.status, failureMessage(reply.status, reply.contentType, reply.body));
    co_return reply.body;
}

MonitoredReply APIClient::startRequest(const QNetworkRequest &request, const QByteArray &method, const QByteArray &body)
{
    // A custom request never gets Qt's default form content type, so a body goes exactly as given.
    NetworkReplyPtr reply(m_network->sendCustomRequest(request, method, body));
    auto *monitor = new ReplyMonitor(reply.get(), m_idleTimeout);
    return {std::move(reply), monitor};
}

MonitoredReply APIClient::startRequest(const QNetworkRequest &request, const QByteArray &method, const UploadBody &body)
{
    QString error;
    std::unique_ptr<QIODevice> device = body.open(&error);
    if (!device)
        throw APIError::network(error);
    // Qt reads the device as the body goes out, and rewinds it when it sends the request once more; the
    // device goes with the reply.
    NetworkReplyPtr reply(m_network->sendCustomRequest(request, method, device.get()));
    device.release()->setParent(reply.get());
    auto *monitor = new ReplyMonitor(reply.get(), m_idleTimeout);
    return {std::move(reply), monitor};
}

QCoro::Task<APIClient::HttpReply> APIClient::send(QNetworkRequest request, QByteArray method, QByteArray body,
                                                  std::shared_ptr<AbortHandle> abort)
{
    throwIfAborted(abort);
    const MonitoredReply sent = startRequest(request, method, body);
    if (abort)
        abort->attach(sent.reply.get());
    QByteArray received;
    const auto gather = [&] {
        const QVariant size = sent.reply->header(QNetworkRequest::ContentLengthHeader);
        Json::appendWithRoomPastTheEnd(received, *sent.reply, size.isValid() ? size.toLongLong() : -1);
    };
    while (!sent.reply->isFinished()) {
        co_await sent.monitor->nextActivity();
        gather();
    }
    gather();

    throwIfAborted(abort);
    sent.monitor->throwIfTransportFailed();
    const QVariant status = sent.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        throw APIError::decodingFailed();
    co_return HttpReply{status.toInt(), sent.reply->rawHeader("Content-Type"), std::move(received)};
}
