#include "ChangeFailure.h"

ChangeFailure::ChangeFailure(QString description)
    : m_description(std::move(description)), m_what(m_description.toUtf8())
{
}
