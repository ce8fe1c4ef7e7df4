#pragma once

#include <QTest>

// QtTest gives up on a state after 5 s. Under the sanitizers, beside other builds on every core, a stand-in
// round trip or a layout pass can take longer than that, so every test waits this long instead. A wait for
// a state that arrives ends when it arrives: only a failing wait takes the whole time.
namespace StateWaits
{

constexpr int timeoutMs = 30000;

} // namespace StateWaits

#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, StateWaits::timeoutMs)
#undef QTRY_VERIFY2
#define QTRY_VERIFY2(expr, messageExpression) QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, StateWaits::timeoutMs)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, StateWaits::timeoutMs)
