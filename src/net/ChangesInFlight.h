#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <coroutine>
#include <exception>
#include <optional>

// The program's book of the changes to the service that have begun and not ended, whatever window or patient
// they are for: ending the session or the program cuts a change still on its way (the service refuses a
// request that reaches it after the sign-out; a process that exits aborts its uploads), so both wait here
// until none is left. A change takes a hold synchronously where the user acts, before its first suspension,
// and keeps it through every step (its turn behind another change of the record, each request of a save in
// several steps); a hold handed on to the next step within one event-loop turn leaves no gap, because the
// book counts as settled only once no hold is left at the start of a later turn. A change that fails tells
// its hold, and whoever waits learns of it. Usage:
//   ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
//   try { co_await send(); } catch (const std::exception &error) { hold.fail(error); throw; }
//
//   ChangesInFlight::Settling settling = changes.settled();
//   const std::optional<QString> failure = co_await settling;   // nullopt: every change ended well
class ChangesInFlight final : public QObject
{
    Q_OBJECT

public:
    // One change held from its start to its end; it ends when the hold goes. Cheap: a counter's step.
    class Hold
    {
    public:
        explicit Hold(ChangesInFlight *book);
        Hold(Hold &&other) noexcept;
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
        Hold &operator=(Hold &&) = delete;
        ~Hold();

        // The change failed with this error (its user text); a cancellation the user asked for is no failure.
        void fail(const std::exception &error);

    private:
        ChangesInFlight *m_book = nullptr;
    };

    // Resumes its waiter once no change is left, or as soon as a change fails, with that failure's text.
    class Settling
    {
    public:
        explicit Settling(ChangesInFlight *book) : m_book(book) {}
        bool await_ready() const;
        void await_suspend(std::coroutine_handle<> waiter);
        std::optional<QString> await_resume() const { return m_failure; }

    private:
        friend class ChangesInFlight;
        ChangesInFlight *m_book = nullptr;
        std::coroutine_handle<> m_waiter;
        std::optional<QString> m_failure;
    };

    explicit ChangesInFlight(QObject *parent = nullptr) : QObject(parent) {}

    [[nodiscard]] Hold hold() { return Hold(this); }
    int count() const { return m_count; }
    Settling settled() { return Settling(this); }

private:
    void release();
    void noteFailure(const QString &description);
    void settleIfNoneLeft();

    int m_count = 0;
    bool m_isCheckQueued = false;
    QList<Settling *> m_waiting;
};
