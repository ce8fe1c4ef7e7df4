#pragma once

struct StandinState;

// The demo account with one patient whose timeline holds 10,000 entries across every category, for trying
// the application at scale.
namespace LargeSeed
{
inline constexpr int entryCount = 10000;
void apply(StandinState &state);
} // namespace LargeSeed
