#pragma once

#include <memory>

class AskSessions;
class ClipboardHistories;
class HealthStoryWriter;
class MedbitLibrary;
struct ClipboardSeams;

// What the program holds once for all its windows: each window is handed the same, so that a record has one
// copy however many windows show it, and a change running in one window is held in every other. It outlives
// every window it is handed to.
class ProgramRecords final
{
public:
    ProgramRecords();
    // With what the clipboard's watch reads of the world given, as tests do.
    explicit ProgramRecords(const ClipboardSeams &clipboardSeams);
    ~ProgramRecords();
    ProgramRecords(const ProgramRecords &) = delete;
    ProgramRecords &operator=(const ProgramRecords &) = delete;

    MedbitLibrary *medbits() const { return m_medbits.get(); }
    HealthStoryWriter *healthStoryWriter() const { return m_healthStoryWriter.get(); }
    // Each patient's one clipboard history, and the one watch of the clipboard.
    ClipboardHistories *clipboards() const { return m_clipboards.get(); }
    // Each patient's one Ask state: its conversations and the answer that streams.
    AskSessions *askSessions() const { return m_askSessions.get(); }

private:
    std::unique_ptr<MedbitLibrary> m_medbits;
    std::unique_ptr<HealthStoryWriter> m_healthStoryWriter;
    std::unique_ptr<ClipboardHistories> m_clipboards;
    std::unique_ptr<AskSessions> m_askSessions;
};
