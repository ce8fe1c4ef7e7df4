#include "mainwindow/ProgramRecords.h"

#include "ask/AnswerStreamSource.h"
#include "ask/AskSessions.h"
#include "ask/HealthStoryWriter.h"
#include "clipboard/ClipboardHistories.h"
#include "records/MedbitLibrary.h"

ProgramRecords::ProgramRecords() : ProgramRecords(ClipboardSeams{}) {}

ProgramRecords::ProgramRecords(const ClipboardSeams &clipboardSeams)
    : m_medbits(std::make_unique<MedbitLibrary>()), m_healthStoryWriter(std::make_unique<HealthStoryWriter>()),
      m_clipboards(std::make_unique<ClipboardHistories>(clipboardSeams)),
      m_askSessions(std::make_unique<AskSessions>(std::make_shared<AnswerStreamSource>()))
{
}

ProgramRecords::~ProgramRecords() = default;
