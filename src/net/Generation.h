#pragma once

#include <QtGlobal>

// Numbers the runs of one load, so that a newer run overtakes the older ones. A run takes its token from
// next() as it starts and, after every co_await, goes on only while isCurrent(token); a reply for an
// overtaken run is dropped.
class Generation final
{
public:
    using Token = quint64;

    Token next() { return ++m_current; }
    Token current() const { return m_current; }
    bool isCurrent(Token token) const { return token == m_current; }

private:
    Token m_current = 0;
};
