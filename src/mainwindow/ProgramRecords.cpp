#include "mainwindow/ProgramRecords.h"

#include "ask/HealthStoryWriter.h"
#include "clipboard/ClipboardHistories.h"

ProgramRecords::ProgramRecords()
    : m_healthStoryWriter(std::make_unique<HealthStoryWriter>()), m_clipboards(std::make_unique<ClipboardHistories>())
{
}

ProgramRecords::~ProgramRecords() = default;
