#pragma once

#include "SSEEvent.h"
#include "SSELineBuffer.h"

#include <QByteArrayView>
#include <QList>

// Turns the bytes of an event stream into events, without any I/O. Usage:
//   SSEParser parser;
//   QList<SSEEvent> events;
//   parser.feed(chunk, events);   // as chunks arrive; complete events are appended
//   parser.finish(events);        // at the end of the stream: the last line and the pending event
// "event:" names the next event and first delivers a pending one; "data:" adds a data line; values are
// trimmed of blanks at both ends; an empty line delivers the pending event; other lines are ignored.
class SSEParser final
{
public:
    void feed(QByteArrayView chunk, QList<SSEEvent> &events);
    void finish(QList<SSEEvent> &events);
    // One complete line, without its terminator.
    void parseLine(QByteArrayView line, QList<SSEEvent> &events);

    // Removes tabs and Unicode space separators at both ends (never line breaks).
    static QByteArrayView trimBlanks(QByteArrayView text);

private:
    void dispatch(QList<SSEEvent> &events);
    void setEventName(QByteArrayView name);

    SSELineBuffer m_lines;
    QString m_event = defaultEventName();
    QByteArray m_data;
    bool m_hasData = false;
    bool m_pending = false;
    QByteArray m_lastNameBytes;
    QString m_lastName;

    static const QString &defaultEventName();
};
