#pragma once

class Router;
struct StandinState;

// An account's patients: list, create, mark active.
namespace PatientRoutes
{
void install(Router &router, StandinState &state);
}
