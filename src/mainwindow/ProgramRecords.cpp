#include "mainwindow/ProgramRecords.h"

#include "ask/AnswerStreamSource.h"
#include "ask/AskSessions.h"
#include "ask/HealthStoryWriter.h"

ProgramRecords::ProgramRecords()
    : m_healthStoryWriter(std::make_unique<HealthStoryWriter>()),
      m_askSessions(std::make_unique<AskSessions>(std::make_shared<AnswerStreamSource>()))
{
}

ProgramRecords::~ProgramRecords() = default;
