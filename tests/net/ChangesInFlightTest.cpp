#include "net/ChangesInFlight.h"
#include "net/APIError.h"

#include <QCoroTask>
#include <QTest>

#include <optional>

namespace
{

struct Waiter {
    bool done = false;
    std::optional<QString> failure;
};

QCoro::Task<> waitFor(ChangesInFlight *changes, Waiter *waiter)
{
    ChangesInFlight::Settling settling = changes->settled();
    waiter->failure = co_await settling;
    waiter->done = true;
}

} // namespace

// The book a sign-out and a quit wait on: when it counts as settled, and what a failure tells the waiter.
class ChangesInFlightTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settled_atOnce_whenNothingIsHeld();
    void settled_onlyOnALaterTurn_soAHandOverLeavesNoGap();
    void hold_movedOn_endsOnce();
    void failure_wakesTheWaiterWithItsText_data();
    void failure_wakesTheWaiterWithItsText();
};

void ChangesInFlightTest::settled_atOnce_whenNothingIsHeld()
{
    ChangesInFlight changes;
    Waiter waiter;
    waitFor(&changes, &waiter);
    QVERIFY(waiter.done);
    QVERIFY(!waiter.failure);
}

void ChangesInFlightTest::settled_onlyOnALaterTurn_soAHandOverLeavesNoGap()
{
    ChangesInFlight changes;
    std::optional<ChangesInFlight::Hold> first;
    first.emplace(changes.hold());
    Waiter waiter;
    waitFor(&changes, &waiter);
    QVERIFY(!waiter.done);
    // The next step of a save takes its hold in the same turn the first step's goes.
    first.reset();
    std::optional<ChangesInFlight::Hold> second;
    second.emplace(changes.hold());
    QCoreApplication::processEvents();
    QVERIFY(!waiter.done);
    QCOMPARE(changes.count(), 1);
    second.reset();
    QVERIFY(!waiter.done);
    QTRY_VERIFY(waiter.done);
    QVERIFY(!waiter.failure);
    QCOMPARE(changes.count(), 0);
}

void ChangesInFlightTest::hold_movedOn_endsOnce()
{
    ChangesInFlight changes;
    {
        ChangesInFlight::Hold taken = changes.hold();
        {
            const ChangesInFlight::Hold moved(std::move(taken));
            QCOMPARE(changes.count(), 1);
        }
        QCOMPARE(changes.count(), 0);
    }
    QCOMPARE(changes.count(), 0);
}

void ChangesInFlightTest::failure_wakesTheWaiterWithItsText_data()
{
    QTest::addColumn<bool>("canceled");
    QTest::newRow("a failed request") << false;
    QTest::newRow("a cancellation is no failure") << true;
}

void ChangesInFlightTest::failure_wakesTheWaiterWithItsText()
{
    QFETCH(bool, canceled);
    ChangesInFlight changes;
    std::optional<ChangesInFlight::Hold> failing;
    failing.emplace(changes.hold());
    std::optional<ChangesInFlight::Hold> other;
    other.emplace(changes.hold());
    Waiter waiter;
    waitFor(&changes, &waiter);
    failing->fail(canceled ? APIError::canceled() : APIError::server(500, QStringLiteral("Entry not saved")));
    failing.reset();
    if (!canceled) {
        // Heard at once, while the other change still runs.
        QTRY_VERIFY(waiter.done);
        QCOMPARE(waiter.failure, std::optional<QString>(QStringLiteral("Entry not saved")));
        QCOMPARE(changes.count(), 1);
        return;
    }
    QCoreApplication::processEvents();
    QVERIFY(!waiter.done);
    other.reset();
    QTRY_VERIFY(waiter.done);
    QVERIFY(!waiter.failure);
}

QTEST_GUILESS_MAIN(ChangesInFlightTest)
#include "ChangesInFlightTest.moc"
