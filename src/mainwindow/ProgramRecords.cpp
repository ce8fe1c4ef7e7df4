#include "mainwindow/ProgramRecords.h"

#include "ask/HealthStoryWriter.h"
#include "records/MedbitLibrary.h"

ProgramRecords::ProgramRecords()
    : m_medbits(std::make_unique<MedbitLibrary>()), m_healthStoryWriter(std::make_unique<HealthStoryWriter>())
{
}

ProgramRecords::~ProgramRecords() = default;
