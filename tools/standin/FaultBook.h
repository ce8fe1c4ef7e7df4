#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// A reply forced onto a route in place of its handler.
struct Fault {
    QByteArray method; // empty: any method
    QByteArray path;   // exact raw path
    std::optional<int> status;
    QByteArray body;
    HeaderList headers;
    int delayMs = 0;
    bool hang = false;
    bool drop = false;
    // The route answers as usual, from the state at arrival, but the reply waits until released: a reply
    // that is late in the way a slow network makes it.
    bool hold = false;
    // The request is logged as it arrives, but its handler runs only once the gates are opened: a request
    // that reaches the service late, as over a slow network. Other requests are handled meanwhile.
    bool gate = false;
    int times = 1; // 0: until cleared
};

// Raw body chunks written with pauses in place of a route's handler.
struct StreamScript {
    struct Chunk {
        QByteArray data;
        int pauseMs = 0;
        // Written only once the gates are opened: a stream that stops mid-way until the test lets it go on.
        bool gate = false;
    };
    QByteArray method;
    QByteArray path;
    int status = 200;
    HeaderList headers;
    QList<Chunk> chunks;
    bool cut = false;
    int times = 1;
};

// Scripted misbehaviour for tests, consumed by matching requests. Waits (delays,
// pauses, hangs) end early when the faults are cleared or the server stops, so
// no pool thread stays blocked.
class FaultBook final
{
public:
    static std::optional<Fault> parseFault(const QJsonObject &json, QString *error);
    static std::optional<StreamScript> parseStream(const QJsonObject &json, QString *error);

    void addFault(const Fault &fault);
    void addStream(const StreamScript &script);
    void clearFaults();
    void clearAll();
    void stop();

    std::optional<Fault> takeFault(const QByteArray &method, const QByteArray &path);
    std::optional<StreamScript> takeStream(const QByteArray &method, const QByteArray &path);

    bool pause(int ms); // false when cut short
    void hang();
    // Waits until release(), the faults are cleared or the server stops.
    void holdReply();
    int heldReplies();
    void release();
    // Waits until openGates(), the faults are cleared or the server stops.
    void waitAtGate();
    int gatedRequests();
    void openGates();

private:
    // A line of requests kept waiting (held replies, gated requests) until the line is let go.
    struct WaitingLine {
        quint64 lettings = 0;
        int waiting = 0;
    };

    template <typename T> std::optional<T> take(QList<T> &list, const QByteArray &method, const QByteArray &path);
    void wakeAll();
    void waitIn(WaitingLine &line);
    int countIn(const WaitingLine &line);
    void letGo(WaitingLine &line);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    quint64 m_generation = 0;
    WaitingLine m_heldReplies;
    WaitingLine m_gatedRequests;
    bool m_stopped = false;
    QList<Fault> m_faults;
    QList<StreamScript> m_streams;
};
