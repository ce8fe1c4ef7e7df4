#pragma once

#include "APIError.h"
#include "APIRequest.h"
#include "ChangesInFlight.h"
#include "Json.h"
#include "MonitoredReply.h"
#include "MultipartBody.h"
#include "MultipartFile.h"
#include "UploadBody.h"

#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class AuthTokenProviding;
class QNetworkAccessManager;

// Result type of calls whose reply carries nothing of interest: any JSON value, or an empty body.
struct EmptyResponse {
    static EmptyResponse fromJson(const QJsonValue &) { return {}; }
};

// A streaming request: the request itself and, for uploads, the body to send with it, read afresh (its files
// from disk) each time the request goes out. An invalid address leaves the request without a URL, and
// SSEClient::stream then fails with APIError::invalidURL. With an abort handle the stream ends with
// APIError::canceled() once the handle is used.
struct StreamRequest {
    QNetworkRequest request;
    QByteArray method;
    UploadBody body;
    std::shared_ptr<AbortHandle> abort{};
};

// The one road to the service. Usage:
//   const APIRequest request{.path = u"/patients/listAll"_s, .query = {{u"userId"_s, id}}};
//   auto patients = co_await APIClient::shared().request<QList<Patient>>(request);
// Failures throw APIError. A 401 on an authorized call triggers one token refresh and one repetition.
// A call with an abort handle (APIRequest::abort) ends with APIError::canceled() once the handle is used.
class APIClient final : public QObject
{
    Q_OBJECT

public:
    static APIClient &shared();

    QUrl baseURL() const { return m_baseURL; }
    // Tests point the client at their own stand-in.
    void setBaseURLForTesting(const QUrl &url) { m_baseURL = url; }
    // A request that receives nothing for this long fails as a network error.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }
    std::chrono::milliseconds idleTimeout() const { return m_idleTimeout; }

    void setAuthProvider(AuthTokenProviding *provider);
    AuthTokenProviding *authProvider() const;
    QNetworkAccessManager *network() const { return m_network; }
    // The changes to the service still on their way, program-wide: the sign-out and the quit wait for them.
    ChangesInFlight &changes() const { return *m_changes; }

    template <typename T> QCoro::Task<T> request(APIRequest request)
    {
        const QByteArray bytes = co_await requestBytes(std::move(request));
        co_return decodeReply<T>(bytes);
    }

    // For a reply long enough that decoding it would hold the window up (a whole timeline): the same, with
    // the decoding done on a worker thread.
    template <typename T> QCoro::Task<T> requestDecodedAside(APIRequest request)
    {
        const QByteArray bytes = co_await requestBytes(std::move(request));
        // Shared with the worker, which may still finish after this frame is gone.
        const auto decoded = std::make_shared<std::optional<T>>();
        // Built outside co_await: GCC 12 destroys a temporary made inside one twice.
        std::function<void()> decode = [bytes, decoded] {
            try {
                *decoded = decodeReply<T>(bytes);
            } catch (const APIError &) {
                // Left empty: the reply did not decode.
            }
        };
        co_await runAside(std::move(decode));
        if (!*decoded)
            throw APIError::decodingFailed();
        co_return std::move(**decoded);
    }

    template <typename T> static T decodeReply(const QByteArray &bytes);

    // Opens a connection to the service ahead of a request that is about to come (the sign-in while its
    // form is filled in), so that the request need not wait for one.
    void connectAhead();

    static QString makeBoundary();
    static QByteArray makeMultipartBody(const QString &boundary, const FormFields &fields,
                                        const QList<MultipartFile> &files);

    // From the call's method, path, query and requiresAuth.
    StreamRequest makeStreamRequest(const APIRequest &call) const;
    StreamRequest makeUploadStreamRequest(const QString &path, const FormFields &fields,
                                          const QList<MultipartFile> &files) const;

    // The URL of `path` below the base URL with the query applied ("+" travels as "%2B").
    std::optional<QUrl> makeURL(const QString &path, const QueryItems &query) const;

    // Sends a request under the client's idle time-out; JSON calls and streams both start here.
    MonitoredReply startRequest(const QNetworkRequest &request, const QByteArray &method, const QByteArray &body);
    // The same with a body read as it goes out; a file of it that cannot be opened throws APIError::network.
    MonitoredReply startRequest(const QNetworkRequest &request, const QByteArray &method, const UploadBody &body);

private:
    struct HttpReply {
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    // Where the kinds of request differ; the headers go out in this order.
    struct Headers {
        std::optional<QByteArray> contentType{};
        std::optional<QByteArray> accept{};
        bool sendsClientPlatform = true;
        bool sendsToken = true;
    };

    APIClient();

    // An invalid URL leaves the request without one.
    QNetworkRequest makeRequest(const std::optional<QUrl> &url, const Headers &headers) const;
    // Sends one request and waits for the whole reply; transport failures throw APIError::network.
    // An aborted call throws APIError::canceled() instead of sending or after its reply.
    QCoro::Task<HttpReply> send(QNetworkRequest request, QByteArray method, QByteArray body,
                                std::shared_ptr<AbortHandle> abort);
    // Adds "Authorization: Bearer <token>" when a provider holds a token.
    void authorize(QNetworkRequest &request) const;

    // Steps shared by every result type: build, send, refresh on 401, map failed statuses. Returns the body.
    QCoro::Task<QByteArray> requestBytes(APIRequest request);
    // Runs `work` on a worker thread and resumes the caller once it is done.
    static QCoro::Task<> runAside(std::function<void()> work);

    QUrl m_baseURL;
    QNetworkAccessManager *m_network = nullptr;
    ChangesInFlight *m_changes = nullptr;
    QPointer<AuthTokenProviding> m_authProvider;
    std::chrono::milliseconds m_idleTimeout{60000};
};

namespace detail
{
template <typename T> struct AcceptsEmptyBody : std::false_type {
};
template <> struct AcceptsEmptyBody<EmptyResponse> : std::true_type {
};
template <> struct AcceptsEmptyBody<std::optional<EmptyResponse>> : std::true_type {
};
} // namespace detail

template <typename T> T APIClient::decodeReply(const QByteArray &bytes)
{
    if (bytes.isEmpty()) {
        if constexpr (detail::AcceptsEmptyBody<T>::value)
            return T(EmptyResponse{});
        else
            throw APIError::decodingFailed();
    }
    try {
        if constexpr (Json::BytesDecode<T>::exists) {
            return Json::BytesDecode<T>::from(bytes);
        } else {
            const std::optional<QJsonValue> value = Json::parse(bytes);
            if (!value)
                throw APIError::decodingFailed();
            return Json::Decode<T>::from(*value);
        }
    } catch (const Json::DecodingError &) {
        throw APIError::decodingFailed();
    }
}
