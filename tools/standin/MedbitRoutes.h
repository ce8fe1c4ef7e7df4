#pragma once

class Router;
struct StandinState;

// A patient's timeline entries: list, get, create, update, delete.
namespace MedbitRoutes
{
void install(Router &router, StandinState &state);
}
