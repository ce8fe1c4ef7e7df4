#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>

// Splits an event stream into lines as chunks arrive. A line ends at LF, CR or CRLF, also when the CR
// ends one chunk and the LF starts the next; empty lines are passed on, since they end events.
// Usage: buffer.feed(chunk, [](QByteArrayView line) { ... }); at the end, buffer.finish(sameCallback).
// A line handed to the callback is only valid during the call.
class SSELineBuffer final
{
public:
    template <typename OnLine> void feed(QByteArrayView chunk, OnLine &&onLine)
    {
        const char *cursor = chunk.data();
        const char *const end = cursor + chunk.size();
        if (cursor == end)
            return;
        if (m_afterCR) {
            m_afterCR = false;
            if (*cursor == '\n')
                ++cursor;
        }
        const char *nextCR = find(cursor, end, '\r');
        while (cursor < end) {
            const char *lineFeed = find(cursor, end, '\n');
            const char *stop = nextCR < lineFeed ? nextCR : lineFeed;
            if (stop == end) {
                m_partial.append(cursor, end - cursor);
                return;
            }
            emitLine(QByteArrayView(cursor, stop - cursor), onLine);
            if (*stop == '\r') {
                if (stop + 1 == end)
                    m_afterCR = true;
                else if (stop[1] == '\n')
                    ++stop;
                nextCR = find(stop + 1, end, '\r');
            }
            cursor = stop + 1;
        }
    }

    // The stream ended: an unterminated last line still counts as a line.
    template <typename OnLine> void finish(OnLine &&onLine)
    {
        m_afterCR = false;
        if (m_partial.isEmpty())
            return;
        onLine(QByteArrayView(m_partial));
        m_partial.resize(0);
    }

private:
    static const char *find(const char *from, const char *end, char byte)
    {
        const void *found = std::memchr(from, byte, static_cast<size_t>(end - from));
        return found ? static_cast<const char *>(found) : end;
    }

    template <typename OnLine> void emitLine(QByteArrayView line, OnLine &onLine)
    {
        if (m_partial.isEmpty()) {
            onLine(line);
            return;
        }
        m_partial.append(line);
        onLine(QByteArrayView(m_partial));
        m_partial.resize(0);
    }

    QByteArray m_partial;
    bool m_afterCR = false;
};
