#pragma once

class Router;
struct StandinState;

// The narrative of a patient's record, written from the patient's entries on request.
namespace HealthStoryRoutes
{
void install(Router &router, StandinState &state);
}
