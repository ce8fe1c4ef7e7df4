#pragma once

class Router;
struct StandinState;

// Documents: attachment upload, lookup, fresh links, a patient's list, and
// the file bytes themselves under /files/.
namespace DocumentRoutes
{
void install(Router &router, StandinState &state);
}
