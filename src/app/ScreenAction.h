#pragma once

#include "widgets/FormKit.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <optional>

// One action of a screen (sign in, save, add…): busy while its one operation runs, idle again on every
// path, and never touching a screen that was destroyed meanwhile. The action is a child of its screen,
// so it goes with it.
//
//     m_signIn = new ScreenAction(this);                      // in the constructor
//     connect(m_signIn, &ScreenAction::busyChanged, m_signInButton, &BusyButton::setBusy);
//
//     if (m_signIn->isBusy()) return;                        // in the slot, with the input checks
//     signInTask(email, password);
//
//     QCoro::Task<> LoginView::signInTask(QString email, QString password)
//     {
//         QCoro::Task<> operation = m_authManager->login(email, password, true);
//         const ScreenAction::Outcome outcome = co_await m_signIn->run(std::move(operation));
//         if (outcome.abandoned)
//             co_return;
//         FormKit::setCaptionText(m_errorLabel, outcome.failure.value_or(QString()));
//     }
//
// The operation starts when it is made, so check isBusy() before making it. run() awaits no second
// operation while one is running: it reports that one as abandoned, and the caller touches nothing.
class ScreenAction final : public QObject
{
    Q_OBJECT

public:
    struct Outcome {
        // The screen was destroyed while the operation ran (or the action was already busy): the caller
        // returns at once.
        bool abandoned = false;
        // The user text of the failure (possibly empty), or nullopt when the operation succeeded.
        std::optional<QString> failure;

        bool succeeded() const { return !abandoned && !failure; }
    };

    explicit ScreenAction(QObject *screen) : QObject(screen) {}

    bool isBusy() const { return m_busy; }

    template <typename T> QCoro::Task<Outcome> run(QCoro::Task<T> operation)
    {
        if (m_busy) {
            const Outcome refused{.abandoned = true, .failure = std::nullopt};
            co_return refused;
        }
        QPointer<ScreenAction> self(this);
        const BusyScope busy(self);
        std::optional<QString> failure = co_await FormKit::failureText(std::move(operation));
        const Outcome outcome{.abandoned = !self, .failure = std::move(failure)};
        co_return outcome;
    }

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    // Busy for its own lifetime; clears the state on the way out only while the action still exists.
    class BusyScope final
    {
    public:
        explicit BusyScope(const QPointer<ScreenAction> &action);
        ~BusyScope();
        BusyScope(const BusyScope &) = delete;
        BusyScope &operator=(const BusyScope &) = delete;

    private:
        QPointer<ScreenAction> m_action;
    };

    void setBusy(bool busy);

    bool m_busy = false;
};
