#include "SSEParser.h"

#include <QChar>

#include <cstring>

namespace
{

bool isBlank(char32_t codePoint)
{
    return codePoint == U'\t' || QChar::category(codePoint) == QChar::Separator_Space;
}

// Decodes the UTF-8 sequence of `length` bytes at `bytes`; 0xFFFD when it is malformed.
char32_t decode(const unsigned char *bytes, qsizetype length)
{
    if (length == 2 && (bytes[0] & 0xE0) == 0xC0)
        return (char32_t(bytes[0] & 0x1F) << 6) | (bytes[1] & 0x3F);
    if (length == 3 && (bytes[0] & 0xF0) == 0xE0)
        return (char32_t(bytes[0] & 0x0F) << 12) | (char32_t(bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F);
    if (length == 4 && (bytes[0] & 0xF8) == 0xF0)
        return (char32_t(bytes[0] & 0x07) << 18) | (char32_t(bytes[1] & 0x3F) << 12) |
               (char32_t(bytes[2] & 0x3F) << 6) | (bytes[3] & 0x3F);
    return 0xFFFD;
}

qsizetype sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

// Length of the blank character starting at `index`, or 0 when the character there is not blank.
qsizetype leadingBlank(QByteArrayView text, qsizetype index)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data()) + index;
    if (bytes[0] < 0x80)
        return bytes[0] == ' ' || bytes[0] == '\t' ? 1 : 0;
    const qsizetype length = sequenceLength(bytes[0]);
    if (length == 1 || index + length > text.size())
        return 0;
    return isBlank(decode(bytes, length)) ? length : 0;
}

// Length of the blank character ending at `end`, or 0.
qsizetype trailingBlank(QByteArrayView text, qsizetype end)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    const unsigned char last = bytes[end - 1];
    if (last < 0x80)
        return last == ' ' || last == '\t' ? 1 : 0;
    qsizetype start = end - 1;
    while (start > 0 && end - start < 4 && (bytes[start] & 0xC0) == 0x80)
        --start;
    const qsizetype length = end - start;
    if (sequenceLength(bytes[start]) != length)
        return 0;
    return isBlank(decode(bytes + start, length)) ? length : 0;
}

template <qsizetype N> bool hasPrefix(QByteArrayView line, const char (&prefix)[N])
{
    return line.size() >= N - 1 && std::memcmp(line.data(), prefix, N - 1) == 0;
}

} // namespace

const QString &SSEParser::defaultEventName()
{
    static const QString name = QStringLiteral("message");
    return name;
}

QByteArrayView SSEParser::trimBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end) {
        const qsizetype blank = leadingBlank(text, begin);
        if (blank == 0)
            break;
        begin += blank;
    }
    while (end > begin) {
        const qsizetype blank = trailingBlank(text.first(end), end);
        if (blank == 0 || end - blank < begin)
            break;
        end -= blank;
    }
    return text.sliced(begin, end - begin);
}

void SSEParser::feed(QByteArrayView chunk, QList<SSEEvent> &events)
{
    m_lines.feed(chunk, [this, &events](QByteArrayView line) { parseLine(line, events); });
}

void SSEParser::finish(QList<SSEEvent> &events)
{
    m_lines.finish([this, &events](QByteArrayView line) { parseLine(line, events); });
    if (m_pending)
        dispatch(events);
}

void SSEParser::parseLine(QByteArrayView line, QList<SSEEvent> &events)
{
    if (hasPrefix(line, "event:")) {
        if (m_pending)
            dispatch(events);
        setEventName(trimBlanks(line.sliced(6)));
        m_pending = true;
    } else if (hasPrefix(line, "data:")) {
        const QByteArrayView value = trimBlanks(line.sliced(5));
        if (m_hasData)
            m_data.append('\n').append(value.data(), value.size());
        else
            m_data = QByteArray(value.data(), value.size());
        m_hasData = true;
        m_pending = true;
    } else if (line.isEmpty() && m_pending) {
        dispatch(events);
    }
}

void SSEParser::dispatch(QList<SSEEvent> &events)
{
    events.append(SSEEvent{std::exchange(m_event, defaultEventName()), std::exchange(m_data, {})});
    m_hasData = false;
    m_pending = false;
}

void SSEParser::setEventName(QByteArrayView name)
{
    // Streams repeat the same few names; reusing the decoded text saves an allocation per event.
    if (name != m_lastNameBytes || m_lastName.isNull()) {
        m_lastNameBytes = name.toByteArray();
        m_lastName = QString::fromUtf8(name);
    }
    m_event = m_lastName;
}
