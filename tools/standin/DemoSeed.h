#pragma once

struct StandinState;

// The demo account with its two patients, entries in every category and documents.
namespace DemoSeed
{
void apply(StandinState &state);
}
