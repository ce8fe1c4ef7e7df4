#pragma once

class Router;
struct StandinState;

// The one-off answer stream: a question about the patient's entries answered as server-sent events.
namespace ChatRoutes
{
void install(Router &router, StandinState &state);
}
