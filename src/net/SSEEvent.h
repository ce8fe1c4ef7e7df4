#pragma once

#include <QByteArray>
#include <QString>

// One server-sent event: its name ("message" unless the stream names another) and its data lines
// joined with "\n".
struct SSEEvent {
    QString event;
    QByteArray data;

    friend bool operator==(const SSEEvent &, const SSEEvent &) = default;
};
