#include "records/JsonListElements.h"

#include <cstring>

namespace
{

class Scanner
{
public:
    explicit Scanner(QByteArrayView json) : m_at(json.data()), m_end(json.data() + json.size()) {}

    bool atEnd() const { return m_at == m_end; }
    char peek() const { return atEnd() ? '\0' : *m_at; }
    const char *position() const { return m_at; }

    bool take(char expected)
    {
        if (peek() != expected)
            return false;
        ++m_at;
        return true;
    }

    void skipSpace()
    {
        while (!atEnd() && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
            ++m_at;
    }

    // From an object's "{" past the "}" that closes it; false when the text ends first or the brackets do
    // not pair up by kind.
    bool skipObject()
    {
        int depth = 0;
        while (!atEnd()) {
            const char c = *m_at++;
            if (c == '"') {
                if (!skipTextRest())
                    return false;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (--depth == 0)
                    return c == '}';
            }
        }
        return false;
    }

private:
    // Past the quote that closes a text whose opening quote has just been read. A quote after an odd number
    // of backslashes is part of the text.
    bool skipTextRest()
    {
        const char *start = m_at;
        while (const void *found = std::memchr(m_at, '"', size_t(m_end - m_at))) {
            const char *quote = static_cast<const char *>(found);
            const char *backslashes = quote;
            while (backslashes > start && backslashes[-1] == '\\')
                --backslashes;
            m_at = quote + 1;
            if ((quote - backslashes) % 2 == 0)
                return true;
        }
        m_at = m_end;
        return false;
    }

    const char *m_at;
    const char *m_end;
};

} // namespace

namespace JsonListElements
{

std::optional<QList<QByteArrayView>> objects(QByteArrayView json)
{
    Scanner scanner(json);
    QList<QByteArrayView> elements;
    scanner.skipSpace();
    if (!scanner.take('['))
        return std::nullopt;
    scanner.skipSpace();
    if (!scanner.take(']')) {
        do {
            scanner.skipSpace();
            const char *start = scanner.position();
            if (scanner.peek() != '{' || !scanner.skipObject())
                return std::nullopt;
            elements.append(QByteArrayView(start, scanner.position()));
            scanner.skipSpace();
        } while (scanner.take(','));
        if (!scanner.take(']'))
            return std::nullopt;
    }
    scanner.skipSpace();
    if (!scanner.atEnd())
        return std::nullopt;
    return elements;
}

} // namespace JsonListElements
