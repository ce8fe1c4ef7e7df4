#pragma once

#include <memory>

class AskSessions;
class HealthStoryWriter;

// What the program holds once for all its windows: each window is handed the same, so that a record has one
// copy however many windows show it, and a change running in one window is held in every other. It outlives
// every window it is handed to.
class ProgramRecords final
{
public:
    ProgramRecords();
    ~ProgramRecords();
    ProgramRecords(const ProgramRecords &) = delete;
    ProgramRecords &operator=(const ProgramRecords &) = delete;

    HealthStoryWriter *healthStoryWriter() const { return m_healthStoryWriter.get(); }
    AskSessions *askSessions() const { return m_askSessions.get(); }

private:
    std::unique_ptr<HealthStoryWriter> m_healthStoryWriter;
    std::unique_ptr<AskSessions> m_askSessions;
};
