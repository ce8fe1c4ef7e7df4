#include "ChangesInFlight.h"

#include "APIError.h"

#include <utility>

ChangesInFlight::Hold::Hold(ChangesInFlight *book) : m_book(book)
{
    ++m_book->m_count;
}

ChangesInFlight::Hold::Hold(Hold &&other) noexcept : m_book(std::exchange(other.m_book, nullptr)) {}

ChangesInFlight::Hold::~Hold()
{
    if (m_book)
        m_book->release();
}

void ChangesInFlight::Hold::fail(const std::exception &error)
{
    const auto *apiError = dynamic_cast<const APIError *>(&error);
    if (apiError && apiError->isCanceled())
        return;
    if (m_book)
        m_book->noteFailure(apiError ? apiError->description() : QString::fromUtf8(error.what()));
}

bool ChangesInFlight::Settling::await_ready() const
{
    return m_book->m_count == 0;
}

void ChangesInFlight::Settling::await_suspend(std::coroutine_handle<> waiter)
{
    m_waiter = waiter;
    m_book->m_waiting.append(this);
}

void ChangesInFlight::release()
{
    if (--m_count > 0 || m_waiting.isEmpty() || std::exchange(m_isCheckQueued, true))
        return;
    // A change often hands on to its next step (or a turn to the next change) within this turn of the event
    // loop: only a book that is still empty on a later turn has settled.
    QMetaObject::invokeMethod(this, &ChangesInFlight::settleIfNoneLeft, Qt::QueuedConnection);
}

void ChangesInFlight::settleIfNoneLeft()
{
    m_isCheckQueued = false;
    if (m_count > 0)
        return;
    for (Settling *settling : std::exchange(m_waiting, {}))
        settling->m_waiter.resume();
}

void ChangesInFlight::noteFailure(const QString &description)
{
    // Each waiter hears of the first failure, on the next turn: never inside the failing change's own handler.
    for (Settling *settling : std::exchange(m_waiting, {})) {
        settling->m_failure = description;
        QMetaObject::invokeMethod(
            this, [settling] { settling->m_waiter.resume(); }, Qt::QueuedConnection);
    }
}
