#pragma once

#include <QString>

// Dotted version numbers such as "1.4.2" or "2.0-beta1".
namespace VersionNumber
{

// Negative when a is older than b, zero when equal, positive when newer. Missing components count as 0
// ("1.2" equals "1.2.0"); a component with a suffix comes before the same number without one
// ("2.0-beta" is older than "2.0").
int compare(const QString &a, const QString &b);

} // namespace VersionNumber
