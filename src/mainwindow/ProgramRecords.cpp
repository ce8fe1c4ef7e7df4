#include "mainwindow/ProgramRecords.h"

#include "ask/HealthStoryWriter.h"

ProgramRecords::ProgramRecords()
    : m_healthStoryWriter(std::make_unique<HealthStoryWriter>())
{
}

ProgramRecords::~ProgramRecords() = default;
