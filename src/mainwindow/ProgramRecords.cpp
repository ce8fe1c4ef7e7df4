#include "mainwindow/ProgramRecords.h"

#include "ask/AnswerStreamSource.h"
#include "ask/AskSessions.h"
#include "ask/HealthStoryWriter.h"
#include "clipboard/ClipboardHistories.h"
#include "records/MedbitLibrary.h"

ProgramRecords::ProgramRecords()
    : m_medbits(std::make_unique<MedbitLibrary>()), m_healthStoryWriter(std::make_unique<HealthStoryWriter>()),
      m_clipboards(std::make_unique<ClipboardHistories>()),
      m_askSessions(std::make_unique<AskSessions>(std::make_shared<AnswerStreamSource>()))
{
}

ProgramRecords::~ProgramRecords() = default;
