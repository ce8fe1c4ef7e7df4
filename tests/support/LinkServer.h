#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <thread>

// A small HTTP server on 127.0.0.1, on its own thread, for views that load document and image links:
// fixed bodies per path (404 for every other path), paths that never finish (to watch aborts), and a
// record of what arrived. Every call is safe while the server runs.
class LinkServer final
{
public:
    LinkServer();
    ~LinkServer();
    LinkServer(const LinkServer &) = delete;
    LinkServer &operator=(const LinkServer &) = delete;

    QUrl url(const QString &path) const;

    void serve(const QString &path, const QByteArray &body, const QByteArray &contentType, int status = 200);
    // Sends its status and then one byte every few milliseconds until the client goes away.
    void hold(const QString &path);

    int requestCount(const QString &path) const;
    int requestsWithAuthorization() const;
    // Held replies whose client closed the connection.
    int abandonedHolds() const;

    // Real documents, as the stand-in stores them.
    static QByteArray samplePdf();
    static QByteArray samplePng(int width = 40, int height = 30);

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::thread m_thread;
    int m_port = 0;
};
