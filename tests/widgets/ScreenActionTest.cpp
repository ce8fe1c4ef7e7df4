#include "widgets/ScreenAction.h"

#include "net/APIError.h"

#include <QSignalSpy>
#include <QTest>

#include <QCoroSignal>
#include <QCoroTask>

#include <memory>
#include <stdexcept>

// Holds an operation until the test opens it.
class Gate final : public QObject
{
    Q_OBJECT

public:
    bool passed = false;

Q_SIGNALS:
    void opened();
};

namespace
{

enum class Ending { Success, ServiceError, OtherError, ForeignException };

QCoro::Task<int> operation(Gate *gate, Ending ending)
{
    co_await qCoro(gate, &Gate::opened);
    gate->passed = true;
    switch (ending) {
    case Ending::ServiceError:
        throw APIError::server(500, QStringLiteral("The list is unavailable."));
    case Ending::OtherError:
        throw std::runtime_error("unreadable");
    case Ending::ForeignException:
        throw 42;
    case Ending::Success:
        break;
    }
    co_return 7;
}

struct Recorded {
    bool done = false;
    bool threw = false;
    std::optional<ScreenAction::Outcome> outcome;
};

QCoro::Task<> record(ScreenAction *action, QCoro::Task<int> operation, Recorded *recorded)
{
    try {
        QCoro::Task<ScreenAction::Outcome> running = action->run(std::move(operation));
        const ScreenAction::Outcome outcome = co_await std::move(running);
        recorded->outcome = outcome;
    } catch (...) {
        recorded->threw = true;
    }
    recorded->done = true;
}

QList<bool> busyStates(const QSignalSpy &spy)
{
    QList<bool> states;
    for (const QList<QVariant> &arguments : spy)
        states.append(arguments.at(0).toBool());
    return states;
}

} // namespace

class ScreenActionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void run_isBusyUntilTheOperationEnds_onEveryPath_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("rethrown");
        QTest::newRow("success") << Ending::Success << false << QString() << false;
        QTest::newRow("service error") << Ending::ServiceError << true << "The list is unavailable." << false;
        QTest::newRow("other error") << Ending::OtherError << true << APIError::decodingFailed().description() << false;
        QTest::newRow("foreign exception") << Ending::ForeignException << false << QString() << true;
    }

    void run_isBusyUntilTheOperationEnds_onEveryPath()
    {
        QFETCH(Ending, ending);
        QFETCH(bool, failed);
        QFETCH(QString, failure);
        QFETCH(bool, rethrown);
        QObject screen;
        auto *action = new ScreenAction(&screen);
        QSignalSpy busy(action, &ScreenAction::busyChanged);
        Gate gate;
        Recorded recorded;
        record(action, operation(&gate, ending), &recorded);
        QVERIFY(action->isBusy());
        QCOMPARE(busyStates(busy), QList<bool>{true});

        Q_EMIT gate.opened();
        QTRY_VERIFY(recorded.done);
        QVERIFY(!action->isBusy());
        QCOMPARE(busyStates(busy), (QList<bool>{true, false}));
        QCOMPARE(recorded.threw, rethrown);
        QCOMPARE(recorded.outcome.has_value(), !rethrown);
        if (rethrown)
            return;
        QVERIFY(!recorded.outcome->abandoned);
        QCOMPARE(recorded.outcome->succeeded(), !failed);
        QCOMPARE(recorded.outcome->failure.has_value(), failed);
        QCOMPARE(recorded.outcome->failure.value_or(QString()), failure);
    }

    void run_screenDestroyedMidAwait_isAbandoned_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::newRow("success") << Ending::Success;
        QTest::newRow("service error") << Ending::ServiceError;
    }

    void run_screenDestroyedMidAwait_isAbandoned()
    {
        QFETCH(Ending, ending);
        auto screen = std::make_unique<QObject>();
        auto *action = new ScreenAction(screen.get());
        Gate gate;
        Recorded recorded;
        record(action, operation(&gate, ending), &recorded);
        screen.reset();

        Q_EMIT gate.opened();
        QTRY_VERIFY(recorded.done);
        QVERIFY(!recorded.threw);
        QVERIFY(recorded.outcome->abandoned);
        QVERIFY(!recorded.outcome->succeeded());
    }

    void run_whileBusy_isRefusedAndLeavesTheRunningOneAlone()
    {
        QObject screen;
        auto *action = new ScreenAction(&screen);
        QSignalSpy busy(action, &ScreenAction::busyChanged);
        Gate first, second;
        Recorded running, refused;
        record(action, operation(&first, Ending::Success), &running);
        record(action, operation(&second, Ending::Success), &refused);
        QVERIFY(refused.done);
        QVERIFY(refused.outcome->abandoned);
        QVERIFY(action->isBusy());

        Q_EMIT first.opened();
        QTRY_VERIFY(running.done);
        QVERIFY(running.outcome->succeeded());
        QVERIFY(!action->isBusy());
        // The refused operation still runs to its end, unseen by the action.
        Q_EMIT second.opened();
        QTRY_VERIFY(second.passed);
        QCOMPARE(busyStates(busy), (QList<bool>{true, false}));
        QVERIFY(!action->isBusy());
    }
};

QTEST_MAIN(ScreenActionTest)
#include "ScreenActionTest.moc"
